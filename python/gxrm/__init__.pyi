import enum
import os
import xml.etree.ElementTree as ET
from typing import Dict, Iterable, Iterator, List, Mapping, Optional, Tuple, Union

__version__: str

_Path = Union[str, "os.PathLike[str]"]
_Records = Iterable[Mapping[str, str]]

class Kind(enum.IntEnum):
    AXIS = 0
    WALL = 1
    BEAM = 2
    SLAB = 3
    COLUMN = 4
    FOUNDATION = 5
    WINDOOR = 6
    DECORATE = 7
    SLICE = 8
    @property
    def element(self) -> str: ...
    @property
    def chinese(self) -> str: ...
    @property
    def types(self) -> List["Type"]: ...

class Type(enum.IntEnum):
    AXIS_GRID = 0
    SHEAR_WALL = 1
    BRICK_WALL = 2
    CONC_OUTER_WALL = 3
    CONC_INNER_WALL = 4
    BRICK_OUTER_WALL = 5
    BRICK_INNER_WALL = 6
    SHAFT_WALL = 7
    PARTITION_WALL = 8
    ZERO_WALL = 9
    FRAME_COLUMN = 10
    CONC_COLUMN = 11
    HIDDEN_COLUMN = 12
    BRICK_COLUMN = 13
    STRUCT_COLUMN = 14
    ADAPTIVE_HIDDEN_COLUMN = 15
    FRAME_BEAM = 16
    SECONDARY_BEAM = 17
    COUPLING_BEAM = 18
    INDEPENDENT_BEAM = 19
    RING_BEAM = 20
    CAST_SLAB = 21
    SLAB_HOLE = 22
    STAIR = 23
    ISOLATED_FOOTING = 24
    STRIP_FOOTING = 25
    FOUND_TIE_BEAM = 26
    FOUND_MAIN_BEAM = 27
    FOUND_SECONDARY_BEAM = 28
    FOUND_BEAM = 29
    CONC_STRIP_FOOTING = 30
    MASONRY_STRIP_FOOTING = 31
    PEDESTAL_FOOTING = 32
    MAT_FOUNDATION = 33
    RAFT_FOUNDATION = 34
    WALL_HOLE = 35
    DOOR = 36
    WINDOW = 37
    BAY_WINDOW = 38
    CORNER_BAY_WINDOW = 39
    INFILL_WALL = 40
    LINTEL = 41
    ROOM = 42
    POST_CAST_STRIP = 43
    CUSTOM_LINEAR = 44
    RAFT_HOLE = 45
    PIT = 46
    BUILDING_AREA = 47
    @property
    def kind(self) -> Kind: ...
    @property
    def chinese(self) -> str: ...
    @property
    def speciality(self) -> int: ...
    @classmethod
    def from_chinese(cls, name: str) -> Optional["Type"]: ...

# A Type, its number, its name ("FRAME_COLUMN") or its Chinese name ("框架柱").
_TypeLike = Union[Type, int, str]

def map_type_names(source: int, target: int, name: _TypeLike) -> List[str]: ...
def section_id(vocabulary: str, key: str, type: _TypeLike) -> str: ...
def section_key(vocabulary: str, section: str, type: _TypeLike) -> str: ...

class Error(Exception): ...

class DomError(Error):
    code: int
    def __init__(self, message: str, code: int) -> None: ...

class LoadError(Error):
    path: str
    line: int
    column: int
    reason: str
    def __init__(self, path: str, line: int, column: int, reason: str) -> None: ...

class FormatError(Error): ...
class QueryError(Error, ValueError): ...

class Instance:
    type: Type
    name: str
    id: str
    attributes: List[Dict[str, str]]
    geometry: List[Dict[str, str]]
    sections: List[Dict[str, str]]
    def __init__(self, type: _TypeLike, name: str, id: str = ..., attributes: _Records = ...,
                 geometry: _Records = ..., sections: _Records = ...) -> None: ...

class TypeDef(Instance):
    speciality: List[Dict[str, str]]
    rules: List[ET.Element]
    def __init__(self, type: _TypeLike, name: str, id: str = ..., attributes: _Records = ...,
                 geometry: _Records = ..., sections: _Records = ..., speciality: _Records = ...,
                 rules: Iterable[ET.Element] = ...) -> None: ...

class Floor:
    name: str
    info: Dict[str, str]
    params: Dict[str, str]
    def __init__(self, name: str, info: Optional[Mapping[str, str]] = ...,
                 params: Optional[Mapping[str, str]] = ...) -> None: ...

class Component:
    id: str
    name: str
    @property
    def type(self) -> Type: ...
    @property
    def kind(self) -> Kind: ...
    @property
    def floor(self) -> str: ...
    @property
    def is_type(self) -> bool: ...
    def get(self, key: str) -> Optional[str]: ...
    def set(self, key: str, value: str) -> None: ...
    def remove(self, key: str) -> bool: ...
    def records(self, list_name: str) -> List[Dict[str, str]]: ...

class Model:
    @property
    def version(self) -> str: ...
    @property
    def header(self) -> Dict[str, str]: ...
    @property
    def project_settings(self) -> Optional[Dict[str, str]]: ...
    @property
    def rule_settings(self) -> Optional[Dict[str, str]]: ...
    @property
    def cross_section_settings(self) -> Optional[Dict[str, str]]: ...
    @property
    def floor_settings(self) -> Optional[Dict[str, str]]: ...
    @property
    def floors(self) -> List[Floor]: ...
    def floor(self, name: str) -> Floor: ...
    def types(self, type: _TypeLike, floor: Optional[str] = ...) -> List[TypeDef]: ...
    def instances(self, type: _TypeLike, floor: Optional[str] = ...) -> List[Instance]: ...
    def iter_instances(self) -> Iterator[Tuple[Optional[str], Instance]]: ...
    @property
    def cross_sections(self) -> List[Dict[str, str]]: ...
    @property
    def rules(self) -> List[ET.Element]: ...
    def rename(self, floor: Optional[str], type: _TypeLike, old: str, new: str) -> int: ...
    def select(self, query: str = ...) -> List[Component]: ...
    def by_id(self, id: str) -> List[Component]: ...
    def add(self, record: Instance, floor: Optional[str] = ...) -> Component: ...
    def remove(self, component: Component) -> None: ...
    def move(self, component: Component, floor: Optional[str]) -> None: ...
    def rename_floor(self, old: str, new: str) -> None: ...
    def save(self, path: _Path) -> None: ...
    def to_string(self) -> str: ...

def load(path: _Path) -> Model: ...

class Writer:
    def __init__(self, header: Optional[Mapping[str, str]] = ...) -> None: ...
    def add_project_settings(self, attrs: Mapping[str, str]) -> None: ...
    def add_rules(self, attrs: Optional[Mapping[str, str]] = ..., rules: Iterable[ET.Element] = ...) -> None: ...
    def append_rules(self, rules: Iterable[ET.Element]) -> None: ...
    def add_cross_sections(self, attrs: Optional[Mapping[str, str]] = ...,
                           sections: Iterable[Mapping[str, str]] = ...) -> None: ...
    def add_floor_info(self, attrs: Optional[Mapping[str, str]] = ...) -> None: ...
    def add_floor(self, name: str, info: Optional[Mapping[str, str]] = ...,
                  params: Optional[Mapping[str, str]] = ...) -> None: ...
    def add(self, record: Instance, floor: Optional[str] = ...) -> None: ...
    def save(self, path: _Path) -> None: ...
    def to_string(self) -> str: ...

__all__: List[str]
