"""Reading: gxrm.load gives a Model."""

import os

from . import _gxrm
from ._catalogue import Type
from ._errors import LoadError
from ._records import Floor, Instance, TypeDef
from ._rules import from_events

_TYPES = list(Type)


def load(path):
    """Loads a GXRM file (str or os.PathLike). A missing or unreadable file
    raises the matching OSError; a file that is not well-formed LoadError."""
    path = _path(path)
    with open(path, "rb"):
        pass
    core = _gxrm.ModelCore()
    failure = core.load(path)
    if failure is not None:
        reason, line, column = failure
        raise LoadError(path, line, column, reason)
    return Model(core)


def _floor_arg(floor):
    if floor is not None and not isinstance(floor, str):
        raise TypeError(f"floor must be str or None, not {type(floor).__name__}")
    return floor


def _section(getter, element):
    return property(lambda self: getattr(self._core, getter)(),
                    doc=f'The attributes of the first "{element}" as a dict, None when absent.')


class Model:
    """A loaded building model. Every text is str; records are read anew
    from the document on each call."""

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
        """The floors in floor-information order."""
        return [Floor(*fields) for fields in self._core.floors()]

    def floor(self, name):
        """The first floor of that name; KeyError when there is none."""
        for floor in self.floors:
            if floor.name == name:
                return floor
        raise KeyError(name)

    def types(self, type, floor=None):
        """Type definitions of that type on the floor, or in the global list."""
        type = Type(type)
        return [TypeDef(type, name, id, atts, geo, secs, sp, [from_events(r) for r in rules])
                for name, id, atts, geo, secs, sp, rules in self._core.typedefs(_floor_arg(floor), type)]

    def instances(self, type, floor=None):
        """Instances of that type on the floor, or in the global list."""
        type = Type(type)
        return self._core.instances(_floor_arg(floor), type, type, Instance)

    def iter_instances(self):
        """Every instance as (floor name or None, instance): the global list
        first, then each floor in file order."""
        return iter(self._core.all_instances(_TYPES, Instance))

    @property
    def cross_sections(self):
        """One dict per user cross-section: SecID, SecName, Point, Bulge, InsertPt."""
        return self._core.cross_sections()

    @property
    def rules(self):
        """The calculation rules as ElementTree elements."""
        return [from_events(events) for events in self._core.rules()]

    def rename(self, floor, type, old, new):
        """Renames every instance of that name in the floor's list of that
        type; returns how many were renamed."""
        return self._core.rename(floor, Type(type), old, new)

    def save(self, path):
        """Writes the document; a file already at the path is replaced only
        once the new one is complete."""
        self._core.save(_path(path))

    def __repr__(self):
        return f"<gxrm.Model version={self.version!r} floors={len(self.floors)}>"


def _path(path):
    path = os.fspath(path)
    if not isinstance(path, str):
        raise TypeError(f"path must be str or os.PathLike of str, not {type(path).__name__}")
    return path
