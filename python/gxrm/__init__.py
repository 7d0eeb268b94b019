"""gxrm: read, edit and write GXRM building-model exchange files.

    import gxrm
    m = gxrm.load("building.gxrm")
    for floor, wall in m.iter_instances():
        print(floor, wall.type.chinese, wall.name)
    for column in m.select("type=框架柱 objAtt.材质=C30"):
        column.set("objAtt.材质", "C35")
    m.save("building.gxrm")
"""

from ._gxrm import __version__
from ._catalogue import Kind, Type, map_type_names, section_id, section_key
from ._errors import DomError, Error, FormatError, LoadError, QueryError
from ._records import Floor, Instance, TypeDef
from ._model import Component, Model, load
from ._writer import Writer

__all__ = [
    "Component", "DomError", "Error", "Floor", "FormatError", "Instance", "Kind", "LoadError", "Model",
    "QueryError", "Type", "TypeDef", "Writer", "load", "map_type_names", "section_id", "section_key",
    "__version__",
]
