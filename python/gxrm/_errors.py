"""The exceptions of the gxrm package."""


class Error(Exception):
    """Base class of every error the gxrm package raises itself (a removed
    component used, a value the model cannot take, ...)."""


class DomError(Error):
    """A failing document operation; ``code`` is its 32-bit failure code
    (0x80070057 for an illegal name or a character XML cannot carry)."""

    def __init__(self, message, code):
        super().__init__(message)
        self.code = int(code)


class LoadError(Error):
    """A file that is not well-formed XML: ``path``, ``line``, ``column``
    and ``reason`` say where and why parsing stopped."""

    def __init__(self, path, line, column, reason):
        super().__init__(f"{path}:{line}:{column}: {reason}")
        self.path = path
        self.line = line
        self.column = column
        self.reason = reason


class FormatError(Error):
    """A well-formed document that is no GXRM model; the message names the
    root element found."""


class QueryError(Error, ValueError):
    """A query or key that cannot be understood; the message names the
    offending term or key."""
