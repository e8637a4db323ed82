"""Exceptions raised by qeltex.

Every failure is an exception, never a silent ``False``. All of them derive from
:class:`QelTexError`, whose ``operation`` and ``arguments`` attributes name the library call
that failed and the arguments it was given.
"""
from __future__ import annotations

from typing import Any, Mapping, Optional


class QelTexError(Exception):
    """Base class: an operation on a texture failed.

    Attributes:
        operation: name of the failed operation (the exported function, e.g. ``"Transcode"``).
        arguments: the arguments it was called with, by name.
    """

    def __init__(self, operation: str, arguments: Optional[Mapping[str, Any]] = None,
                 reason: str = "") -> None:
        self.operation = operation
        self.arguments = dict(arguments or {})
        self.reason = reason
        args = ", ".join(f"{k}={v!r}" for k, v in self.arguments.items())
        message = f"{operation}({args}) failed"
        if reason:
            message += f": {reason}"
        super().__init__(message)


class OperationError(QelTexError):
    """The library refused or failed an operation (its exported function returned false,
    or produced an empty texture)."""


class TextureReleasedError(QelTexError):
    """The texture's handle was destroyed (``close()`` or the ``with`` block ended), or it
    never held one; a released texture refuses every further use."""


class UnknownFormatError(QelTexError, ValueError):
    """A pixel format, channel type, colour space, filter or quality name is not known."""


class TextureFileError(QelTexError, OSError):
    """A texture file does not exist or could not be read or written."""


class LibraryNotFoundError(QelTexError, OSError):
    """libQelTexLib.so could not be loaded; the message lists every place that was tried."""
