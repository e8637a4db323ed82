"""qeltex: GPU textures from Python, over the QelTexLib shared library.

Create a texture from a numpy array, raw bytes or a file, change it in place, and read its
bytes or pixels back::

    import numpy as np
    import qeltex

    pixels = np.zeros((64, 64, 4), dtype=np.uint8)          # height, width, RGBA
    with qeltex.Texture.from_numpy(pixels) as texture:
        texture.generate_mipmaps()                          # full chain, linear filter
        texture.transcode("ETC2_RGBA", quality=qeltex.ETCQuality.SLOW)
        texture.save("out.ktx")
        compressed = texture.data()                         # every level's bytes

    with qeltex.Texture.from_file("out.ktx") as texture:
        rgba = texture.transcode("r8g8b8a8").to_numpy(level=1)

Formats are named as compressed formats ("ETC1", "ETC2_RGBA", "EAC_R11", "QELTCI_4bpp_RGBA",
...) or packed layouts ("r8g8b8a8", "r5g6b5", "l8", "rgba16f", "rgba32f"); see
:mod:`qeltex.formats`. Every failure raises a :class:`QelTexError` naming the operation and its
arguments (:mod:`qeltex.errors`).

The shared library is looked for at $QELTEX_LIBRARY (a file, or a folder holding
libQelTexLib.so), else next to this package, else where the install put it, else by the system
loader. numpy is needed only for from_numpy and to_numpy.
"""
from ._library import ENVIRONMENT_VARIABLE, LIBRARY_NAME, library, library_path
from .errors import (LibraryNotFoundError, OperationError, QelTexError, TextureFileError,
                     TextureReleasedError, UnknownFormatError)
from .formats import (ChannelType, ColourSpace, CompressedFormat, ETCQuality, Filter,
                      QELTCQuality, format_name, parse_format)
from .info import TextureInfo
from .texture import Texture

__version__ = "0.1.0"

__all__ = [
    "Texture", "TextureInfo",
    "ChannelType", "ColourSpace", "CompressedFormat", "Filter", "QELTCQuality", "ETCQuality",
    "format_name", "parse_format",
    "QelTexError", "OperationError", "TextureReleasedError", "UnknownFormatError",
    "TextureFileError", "LibraryNotFoundError",
    "library", "library_path", "LIBRARY_NAME", "ENVIRONMENT_VARIABLE",
]
