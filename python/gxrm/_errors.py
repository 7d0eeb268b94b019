"""The exceptions of the gxrm package."""


class Error(Exception):
    """Base class of every error the gxrm package raises itself."""


class DomError(Error):
    """A failing document operation; ``code`` is its 32-bit failure code."""

    def __init__(self, message, code):
        super().__init__(message)
        self.code = int(code)


class LoadError(Error):
    """A file that is not well-formed XML: where and why parsing stopped."""

    def __init__(self, path, line, column, reason):
        super().__init__(f"{path}:{line}:{column}: {reason}")
        self.path = path
        self.line = line
        self.column = column
        self.reason = reason
