"""Reading and editing: gxrm.load gives a Model, whose components are Components."""

import os

from . import _gxrm
from ._catalogue import Kind, Type, as_type
from ._errors import LoadError
from ._records import Floor, Instance, TypeDef
from ._rules import from_events, rule_xml

_TYPES = list(Type)


def load(path):
    """Loads a GXRM file, keeping its layout.

    ``path`` is a str or os.PathLike. A missing or unreadable file raises the
    matching OSError (FileNotFoundError, PermissionError, IsADirectoryError),
    a file that is not well-formed LoadError, a well-formed document whose
    root is no GXRM root FormatError naming the root found."""
    path = _path(path)
    with open(path, "rb"):
        pass
    core = _gxrm.ModelCore.load(os.fsencode(path))
    if isinstance(core, tuple):
        reason, line, column = core
        raise LoadError(path, line, column, reason)
    return Model(core)


def _floor_arg(floor):
    if floor is not None and not isinstance(floor, str):
        raise TypeError(f"floor must be str or None, not {type(floor).__name__}")
    return floor or None


def _section(getter, element):
    return property(lambda self: getattr(self._core, getter)(),
                    doc=f'The attributes of the first "{element}" as a dict, None when absent.')


class Component:
    """One instance or type definition inside a loaded Model, changed in
    place; Model.select(), by_id() and add() make them.

    A component stays valid while it is in the model, also after a move
    (``floor`` then names its new floor); any use of a removed one raises
    gxrm.Error. Keys are "LIST.ATTR" ("objAtt.材质"; docs/query.md); a key
    that names no list of this component raises QueryError. Values are str;
    a value XML cannot carry raises DomError and changes nothing."""

    __slots__ = ("_core",)

    def __init__(self, core):
        self._core = core

    @property
    def id(self):
        """The id ("objId", "classId" of a type definition); "" when absent. Settable."""
        return self._core.id()

    @id.setter
    def id(self, value):
        self._core.set_id(value)

    @property
    def name(self):
        """The name ("objname", "classname" of a type definition); "" when absent. Settable."""
        return self._core.name()

    @name.setter
    def name(self, value):
        self._core.set_name(value)

    @property
    def type(self):
        """The component's Type."""
        return Type(self._core.type())

    @property
    def kind(self):
        """The Kind of the component's type."""
        return Kind(self._core.kind())

    @property
    def floor(self):
        """The name of the floor the component is on; "" for the global list."""
        return self._core.floor()

    @property
    def is_type(self):
        """True for a type definition, False for an instance."""
        return self._core.is_type()

    def get(self, key):
        """The value of ``key`` (LIST.ATTR) from the first record of LIST
        holding ATTR, or None. QueryError for a key of no list of this
        component."""
        return self._core.get(key)

    def set(self, key, value):
        """Sets ``key`` (LIST.ATTR) to ``value`` where get() finds it, else
        appends ATTR to the first record of LIST, creating that record when
        the list has none. QueryError for a bad key, DomError for a name or
        value XML cannot carry."""
        self._core.set(key, value)

    def remove(self, key):
        """Removes ATTR of ``key`` (LIST.ATTR) from every record of LIST;
        returns whether any had it. QueryError for a bad key."""
        return self._core.remove(key)

    def records(self, list_name):
        """New dicts, one per record of the list (e.g. "objAtt"), in file
        order; later edits do not change them. QueryError for an unknown list."""
        return self._core.records(list_name)

    def __eq__(self, other):
        if not isinstance(other, Component):
            return NotImplemented
        return self._core.same(other._core)

    __hash__ = None

    def __repr__(self):
        try:
            what = "TypeDef" if self.is_type else "Instance"
            return f"<gxrm.Component {what} {self.type.name} {self.name!r} id={self.id!r} floor={self.floor!r}>"
        except Exception:  # a removed component still has a repr
            return "<gxrm.Component (removed)>"


class Model:
    """A loaded building model, to read and to change in place; gxrm.load()
    makes it.

    The record readers (instances, types, iter_instances, floors, ...) give
    new values on each call. select(), by_id() and add() give Components that
    change the model itself; save() writes it with its layout kept, so an
    edit changes only the lines it touches. One Model may be shared by
    threads: each call holds the model's lock."""

    def __init__(self, core):
        self._core = core

    @property
    def version(self):
        """The format version from the root's name ("1.0")."""
        return self._core.version()

    @property
    def header(self):
        """The root's attributes in file order."""
        return self._core.header()

    project_settings = _section("project_settings", "ProjSetting")
    rule_settings = _section("rule_settings", "CalRule")
    cross_section_settings = _section("cross_section_settings", "UserSecInfo")
    floor_settings = _section("floor_settings", "ProjFloorInfo")

    @property
    def floors(self):
        """The floors (Floor records) in floor-information order."""
        return [Floor(*fields) for fields in self._core.floors()]

    def floor(self, name):
        """The first floor of that name; KeyError when there is none."""
        for floor in self.floors:
            if floor.name == name:
                return floor
        raise KeyError(name)

    def types(self, type, floor=None):
        """The type definitions (TypeDef) of ``type`` (a Type, its name or its
        Chinese name) on ``floor``, or in the global list for None or "".
        KeyError for an unknown floor, ValueError for an unknown type."""
        type = as_type(type)
        if not self._has_list(floor):
            return []
        return [TypeDef(type, name, id, atts, geo, secs, sp, [from_events(r) for r in rules])
                for name, id, atts, geo, secs, sp, rules in self._core.typedefs(floor or None, type)]

    def instances(self, type, floor=None):
        """The instances (Instance) of ``type`` (a Type, its name or its
        Chinese name) on ``floor``, or in the global list for None or "".
        KeyError for an unknown floor, ValueError for an unknown type."""
        type = as_type(type)
        if not self._has_list(floor):
            return []
        return self._core.instances(floor or None, type, type, Instance)

    def iter_instances(self):
        """Every instance as (floor name or None, Instance): the global list
        first, then each floor in file order."""
        return self._core.iter_instances(_TYPES, Instance)

    @property
    def cross_sections(self):
        """One dict per user cross-section: SecID, SecName, Point, Bulge, InsertPt."""
        return self._core.cross_sections()

    @property
    def rules(self):
        """The calculation rules as ElementTree elements."""
        return [from_events(events) for events in self._core.rules()]

    def rename(self, floor, type, old, new):
        """Renames every instance named ``old`` in the list of ``type`` on
        ``floor`` (None or "": the global list) to ``new``; returns how many
        were renamed. KeyError for an unknown floor."""
        type = as_type(type)
        if not self._has_list(floor):
            return 0
        return self._core.rename(floor or None, type, old, new)

    def select(self, query=""):
        """The Components the query selects (docs/query.md), in file order:
        the global list first, then the floors in file order. "" selects
        every instance. QueryError naming the offending term."""
        return [Component(c) for c in self._core.select(query)]

    def by_id(self, id):
        """Every instance and type definition whose id is ``id``, in file
        order; [] when there is none."""
        return [Component(c) for c in self._core.by_id(id)]

    def add(self, record, floor=None):
        """Adds an Instance or TypeDef record last in its list on ``floor``
        (None or "": the global list), laid out as the Writer lays it out;
        returns the new Component. KeyError for an unknown floor."""
        if not isinstance(record, Instance):
            raise TypeError(f"expected gxrm.Instance or gxrm.TypeDef, not {type(record).__name__}")
        lists = [record.attributes, record.geometry, record.sections]
        rules = []
        if isinstance(record, TypeDef):
            lists.append(record.speciality)
            rules = [rule_xml(rule) for rule in record.rules]
        floor = _floor_arg(floor)
        with _known_floor(floor):
            core = self._core.add(as_type(record.type), isinstance(record, TypeDef), record.name,
                                  record.id, lists, rules, floor)
        return Component(core)

    def remove(self, component):
        """Takes the component out of the model; later use of it raises gxrm.Error."""
        self._core.remove(_component(component))

    def move(self, component, floor):
        """Moves the component last into its list on ``floor`` (None or "":
        the global list). KeyError for an unknown floor."""
        floor = _floor_arg(floor)
        with _known_floor(floor):
            self._core.move(_component(component), floor)

    def rename_floor(self, old, new):
        """Renames the floor ``old`` to ``new``: its "Floor" and its floor
        information together. KeyError for an unknown floor, ValueError when
        a floor is already named ``new``."""
        with _known_floor(old):
            self._core.rename_floor(old, new)

    def save(self, path):
        """Writes the model to ``path`` (str or os.PathLike), its layout kept;
        a file already there is replaced only once the new one is complete.
        A file that cannot be written raises OSError (FileNotFoundError,
        PermissionError, ENOSPC) with errno and filename."""
        path = _path(path)
        self._core.save(os.fsencode(path), path)

    def to_string(self):
        """The document's XML text, as save() writes it."""
        return self._core.xml()

    def _has_list(self, floor):
        """Whether the floor (None or "": the global list) has component
        lists; False for one known only from the floor information, KeyError
        for one not known at all."""
        floor = _floor_arg(floor)
        if floor is None or floor in self._core.list_floors():
            return True
        if any(f.name == floor for f in self.floors):
            return False
        raise KeyError(floor)

    def __repr__(self):
        return f"<gxrm.Model version={self.version!r} floors={len(self.floors)}>"


class _known_floor:
    """Turns the model's unknown-floor error into KeyError(floor)."""

    def __init__(self, floor):
        self.floor = floor

    def __enter__(self):
        return self

    def __exit__(self, kind, error, trace):
        if kind is KeyError:
            raise KeyError(self.floor) from None
        return False


def _component(component):
    if not isinstance(component, Component):
        raise TypeError(f"expected gxrm.Component, not {type(component).__name__}")
    return component._core


def _path(path):
    path = os.fspath(path)
    if not isinstance(path, str):
        raise TypeError(f"path must be str or os.PathLike of str, not {type(path).__name__}")
    return path
