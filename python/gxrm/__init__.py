"""gxrm: read and write GXRM building-model exchange files.

    import gxrm
    m = gxrm.load("building.gxrm")
    for floor, wall in m.iter_instances():
        print(floor, wall.type.chinese, wall.name)
"""

from ._gxrm import __version__
from ._catalogue import Kind, Type, map_type_names, section_id, section_key
from ._errors import DomError, Error, LoadError
from ._records import Floor, Instance, TypeDef
from ._model import Model, load
from ._writer import Writer

__all__ = [
    "DomError", "Error", "Floor", "Instance", "Kind", "LoadError", "Model", "Type", "TypeDef",
    "Writer", "load", "map_type_names", "section_id", "section_key", "__version__",
]
