"""The component catalogue: kinds, types, speciality mapping, section ids."""

import enum

from . import _gxrm


def _library_property(lookup, doc, wrap=None):
    """A read-only property whose value the library's ``lookup`` gives for the
    member, passed through ``wrap`` when given."""
    if wrap is None:
        return property(lookup, doc=doc)
    return property(lambda member: wrap(lookup(member)), doc=doc)


class Kind(enum.IntEnum):
    """The nine component kinds, valued as the library's enumerators."""

    AXIS = 0
    WALL = 1
    BEAM = 2
    SLAB = 3
    COLUMN = 4
    FOUNDATION = 5
    WINDOOR = 6
    DECORATE = 7
    SLICE = 8

    element = _library_property(_gxrm.kind_element, 'Element name of the kind in every object list ("WALL").')
    chinese = _library_property(_gxrm.kind_chinese, "Chinese display name of the kind.")
    types = _library_property(_gxrm.kind_types, "The kind's types in catalogue order.",
                              lambda values: [Type(t) for t in values])


class Type(enum.IntEnum):
    """The 48 component types, valued as the library's enumerators."""

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

    kind = _library_property(_gxrm.type_kind, "The kind the type belongs to.", Kind)
    chinese = _library_property(_gxrm.type_chinese,
                                'Chinese name of the type, as the file\'s "typename" spells it.')
    speciality = _library_property(_gxrm.type_speciality,
                                   "1 or 2 for a type of one speciality, 0 for a type both use.")

    @classmethod
    def from_chinese(cls, name):
        """The type of that Chinese name ("框架柱"), or None."""
        value = _gxrm.type_from_chinese(name)
        return None if value is None else cls(value)


def as_type(value):
    """The Type that ``value`` stands for: a Type or its number, its name
    ("FRAME_COLUMN") or its Chinese name ("框架柱"). ValueError for none."""
    if isinstance(value, str):
        found = Type.__members__.get(value) or Type.from_chinese(value)
        if found is None:
            raise ValueError(f"no type is named {value!r}")
        return found
    return Type(value)


def map_type_names(source, target, name):
    """Names that speciality ``target`` (1, 2 or 3) gives the type ``name`` of
    speciality ``source``; ``name`` is a Type, its name or its Chinese name.
    [] when nothing maps or no type has that name."""
    try:
        name = as_type(name)
    except ValueError:
        return []
    return _gxrm.map_type_names(int(source), int(target), int(name))


# Section identifiers: vocabulary name -> (key to file id, file id to key).
_SECTION_LOOKUPS = {
    "cal": (_gxrm.section_id_cal, _gxrm.cal_section_key),
    "steel": (_gxrm.section_id_steel, _gxrm.steel_section_key),
    "az": (_gxrm.section_id_az, _gxrm.az_section_key),
}


def _section_lookup(vocabulary, direction):
    try:
        return _SECTION_LOOKUPS[vocabulary][direction]
    except KeyError:
        raise ValueError(f"unknown section vocabulary {vocabulary!r}; "
                         f"expected one of {sorted(_SECTION_LOOKUPS)}") from None


def section_id(vocabulary, key, type):
    """The file's section identifier of a "cal", "steel" or "az" key for that
    type ("" when there is none). ValueError for another vocabulary or an
    unknown type."""
    return _section_lookup(vocabulary, 0)(key, int(as_type(type)))


def section_key(vocabulary, section, type):
    """The "cal", "steel" or "az" key of a file section identifier for that
    type (for "cal" the identifier itself when there is none, else "").
    ValueError for another vocabulary or an unknown type."""
    return _section_lookup(vocabulary, 1)(section, int(as_type(type)))
