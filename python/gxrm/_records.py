"""Value records: component instances, type definitions and floors."""

from ._catalogue import as_type
from ._rules import rule_key


class Instance:
    """One component instance as a value: a type (a Type, its name or its
    Chinese name), a name, an id ("objId", "" when absent) and its "objAtt",
    "objGeoAtt" and "objSection" records, one dict each, in file order.
    ValueError for an unknown type."""

    __slots__ = ("type", "name", "id", "attributes", "geometry", "sections")

    def __init__(self, type, name, id="", attributes=(), geometry=(), sections=()):
        self.type = as_type(type)
        self.name = name
        self.id = id
        self.attributes = list(attributes)
        self.geometry = list(geometry)
        self.sections = list(sections)

    def _key(self):
        return (self.type, self.name, self.id, self.attributes, self.geometry, self.sections)

    def __eq__(self, other):
        if type(other) is not type(self):
            return NotImplemented
        return self._key() == other._key()

    __hash__ = None

    def _fields(self):
        return (f"gxrm.Type.{self.type.name}, {self.name!r}, id={self.id!r}, attributes={self.attributes!r}, "
                f"geometry={self.geometry!r}, sections={self.sections!r}")

    def __repr__(self):
        return f"gxrm.{type(self).__name__}({self._fields()})"


class TypeDef(Instance):
    """One component type definition ("TypeClass"): as an instance, with its
    "TypeClassSpecialtyAtt" records and its calculation rules as
    xml.etree.ElementTree elements. The id is the file's "classId"."""

    __slots__ = ("speciality", "rules")

    def __init__(self, type, name, id="", attributes=(), geometry=(), sections=(),
                 speciality=(), rules=()):
        super().__init__(type, name, id, attributes, geometry, sections)
        self.speciality = list(speciality)
        self.rules = list(rules)

    def _key(self):
        return super()._key() + (self.speciality, [rule_key(r) for r in self.rules])

    def _fields(self):
        tags = [r.tag for r in self.rules]
        return f"{super()._fields()}, speciality={self.speciality!r}, rules=<{len(tags)} rules: {tags}>"


class Floor:
    """One floor: its name, its "FloorInfo" attributes (``info``) and the
    attributes of its "Floor" element (``params``, {} when there is none)."""

    __slots__ = ("name", "info", "params")

    def __init__(self, name, info=None, params=None):
        self.name = name
        self.info = dict(info or {})
        self.params = dict(params or {})

    def __eq__(self, other):
        if type(other) is not Floor:
            return NotImplemented
        return (self.name, self.info, self.params) == (other.name, other.info, other.params)

    __hash__ = None

    def __repr__(self):
        return f"gxrm.Floor({self.name!r}, info={self.info!r}, params={self.params!r})"
