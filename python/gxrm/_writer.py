"""Writing: gxrm.Writer builds a new document section by section."""

from . import _gxrm
from ._catalogue import Type
from ._errors import Error
from ._model import _path
from ._records import Instance, TypeDef
from ._rules import to_xml

# The floor-information attribute that names a floor.
_FLOOR_KEY = _gxrm.FLOOR_KEY


def _order(done, before, call):
    """Error when ``before`` has not been called yet, in the one style all
    ordering errors share."""
    if not done:
        raise Error(f"{before}() must come before {call}()")


class Writer:
    """A new GXRM document. Call the add_* methods in the order the file
    should have its sections, then save() or to_string().

    ``header`` is a dict of the root's attributes. Every text is str:
    anything else raises TypeError, a name or character XML cannot carry
    DomError. One Writer may be shared by threads: each call holds the
    writer's lock."""

    def __init__(self, header=None):
        self._core = _gxrm.WriterCore(header)
        self._has_floor_info = False

    def add_project_settings(self, attrs):
        """The project settings ("ProjSetting") with the attributes of the dict ``attrs``."""
        self._core.project_settings(attrs)

    def add_rules(self, attrs=None, rules=()):
        """The rule section with its attributes, then the rules (ElementTree
        elements) in order."""
        self._core.rules(attrs)
        self.append_rules(rules)

    def append_rules(self, rules):
        """More rules into the first rule section, made when missing."""
        rules = list(rules)
        if rules:
            self._core.append_rules(to_xml(rules))

    def add_cross_sections(self, attrs=None, sections=()):
        """The cross-section container, then one record per section dict."""
        self._core.cross_sections(attrs)
        for section in sections:
            self._core.add_section(section)

    def add_floor_info(self, attrs=None):
        """The floor information with the attributes of the dict ``attrs``,
        followed by the global object list. add_floor() and add() need it."""
        self._core.floor_info(attrs)
        self._has_floor_info = True

    def add_floor(self, name, info=None, params=None):
        """A floor: its "FloorInfo" record (named by "FInfo002", set to
        ``name`` unless ``info`` has it) and its "Floor" element, whose
        attributes ``params`` then sets in order. gxrm.Error before
        add_floor_info()."""
        _order(self._has_floor_info, "add_floor_info", "add_floor")
        info = dict(info or {})
        if _FLOOR_KEY not in info:
            info = {_FLOOR_KEY: name, **info}
        self._core.floor(name, info)
        for key, value in (params or {}).items():
            self._core.floor_param(name, key, value)

    def add(self, record, floor=None):
        """An Instance or TypeDef record last into the list of its type on
        ``floor``, or in the global list for None. KeyError for an unknown
        floor, gxrm.Error before add_floor_info()."""
        if not isinstance(record, Instance):
            raise TypeError(f"expected gxrm.Instance or gxrm.TypeDef, not {type(record).__name__}")
        _order(self._has_floor_info, "add_floor_info", "add")
        if floor is not None and not isinstance(floor, str):
            raise TypeError(f"floor must be str or None, not {type(floor).__name__}")
        if not self._add(record, floor):
            raise KeyError(floor)

    def _add(self, record, floor):
        lists = (record.attributes, record.geometry, record.sections)
        if isinstance(record, TypeDef):
            return self._core.typedef(floor, Type(record.type), record.name, record.id,
                                      lists + (record.speciality,), to_xml(record.rules))
        return self._core.instance(floor, Type(record.type), record.name, record.id, *lists)

    def save(self, path):
        """Writes the document to ``path`` (str or os.PathLike); a file
        already there is replaced only once the new one is complete. A file
        that cannot be written raises OSError (FileNotFoundError,
        PermissionError, ENOSPC) with errno and filename."""
        self._core.save(_path(path))

    def to_string(self):
        """The document's XML text."""
        return self._core.xml()
