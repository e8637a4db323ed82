"""Finding and loading libQelTexLib.so, and the signatures of its ten exported functions."""
from __future__ import annotations

import ctypes
import os
import threading
from pathlib import Path
from typing import List, Optional, Tuple

from .errors import LibraryNotFoundError

LIBRARY_NAME = "libQelTexLib.so"
ENVIRONMENT_VARIABLE = "QELTEX_LIBRARY"

_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def _candidates() -> List[Tuple[str, str]]:
    """(description, path) pairs in search order.

    QELTEX_LIBRARY, when set, is the only place looked at: an explicit choice that fails must
    not be papered over by some other copy of the library.
    """
    env = os.environ.get(ENVIRONMENT_VARIABLE)
    if env:
        path = Path(env)
        if path.is_dir():
            path = path / LIBRARY_NAME
        return [(f"${ENVIRONMENT_VARIABLE}", str(path))]
    package_dir = Path(__file__).resolve().parent
    found = [("next to the package", str(package_dir / LIBRARY_NAME))]
    try:  # written by the install rules: where the library lies relative to the package
        from . import _location  # type: ignore[attr-defined]
        found.append(("install location",
                      str((package_dir / _location.LIBRARY_DIR / LIBRARY_NAME).resolve())))
    except ImportError:
        pass
    found.append(("the system loader (LD_LIBRARY_PATH, ld.so.cache)", LIBRARY_NAME))
    return found


def _declare(lib: ctypes.CDLL) -> None:
    c = ctypes
    handle, u8, u32, i32, u64 = c.c_void_p, c.c_uint8, c.c_uint32, c.c_int32, c.c_uint64
    signatures = {
        "CreateTexture": ([c.c_void_p, u32, u32, u32, u64, u8, u32, u32], handle),
        "CreateTextureFromFile": ([c.c_char_p], handle),
        "SaveTexture": ([handle, c.c_char_p], u8),
        "Resize": ([handle, u32, u32, u32, u32], u8),
        "PremultiplyAlpha": ([handle], u8),
        "GenerateMIPMaps": ([handle, u32, u32], u8),
        "Transcode": ([handle, u64, u32, u32, u32, u8], u8),
        "DestroyTexture": ([handle], None),
        "GetTextureDataSize": ([handle, i32], u32),
        "GetTextureData": ([handle, c.c_void_p, u32, u32], None),
    }
    for name, (argtypes, restype) in signatures.items():
        function = getattr(lib, name)
        function.argtypes = argtypes
        function.restype = restype


def library() -> ctypes.CDLL:
    """The loaded shared library (loaded on first use).

    Raises:
        LibraryNotFoundError: no candidate could be loaded; the message lists each place tried
            and why it failed.
    """
    global _library
    with _lock:
        if _library is not None:
            return _library
        tried = []
        for description, path in _candidates():
            if os.sep in path and not os.path.exists(path):
                tried.append(f"{path} ({description}): no such file")
                continue
            try:
                lib = ctypes.CDLL(path)
                _declare(lib)
            except (OSError, AttributeError) as error:
                tried.append(f"{path} ({description}): {error}")
                continue
            _library = lib
            return lib
        raise LibraryNotFoundError(
            "load", {"library": LIBRARY_NAME},
            "looked in:\n  " + "\n  ".join(tried) +
            f"\nset {ENVIRONMENT_VARIABLE} to the library's path (or its folder)")


def library_path() -> str:
    """Path of the loaded library file (loads it if needed)."""
    return library()._name
