"""Pixel formats, channel types, colour spaces, filters and qualities, by value and by name.

A pixel format is a 64-bit value. With its high 32 bits zero it names a compressed or special
format (:class:`CompressedFormat`); otherwise bytes 0-3 are four channel letters
(r, g, b, a, l luminance, i intensity, x unused bits) and bytes 4-7 their widths in bits.

Names accepted wherever a format is asked for (any letter case):

* a compressed format's name: ``"ETC1"``, ``"ETC2_RGBA"``, ``"EAC_RG11"``, ``"QELTCI_4bpp_RGBA"``...
* a packed layout as letter/width pairs: ``"r8g8b8a8"``, ``"r5g6b5"``, ``"l8"``, ``"a8"``;
* or letters sharing one width, ``f`` marking floats: ``"rgba8"``, ``"rgba16f"``, ``"rgba32f"``.

Each name has a natural channel type: unsigned normalised, float for an ``f`` suffix.
"""
from __future__ import annotations

import enum
import re
from typing import Tuple, Union

from .errors import UnknownFormatError


class CompressedFormat(enum.IntEnum):
    """Compressed and special formats (a pixel format value with the high 32 bits zero)."""
    QELTCI_2bpp_RGB = 0
    QELTCI_2bpp_RGBA = 1
    QELTCI_4bpp_RGB = 2
    QELTCI_4bpp_RGBA = 3
    QELTCII_2bpp = 4
    QELTCII_4bpp = 5
    ETC1 = 6
    DXT1 = 7
    DXT2 = 8
    DXT3 = 9
    DXT4 = 10
    DXT5 = 11
    BC4 = 12
    BC5 = 13
    BC6 = 14
    BC7 = 15
    UYVY = 16
    YUY2 = 17
    BW1bpp = 18
    SharedExponentR9G9B9E5 = 19
    RGBG8888 = 20
    GRGB8888 = 21
    ETC2_RGB = 22
    ETC2_RGBA = 23
    ETC2_RGB_A1 = 24
    EAC_R11 = 25
    EAC_RG11 = 26


NO_FORMAT = 27  # the pixel format of a texture that holds nothing


class ChannelType(enum.IntEnum):
    """How the bits of each channel are read (signed types are sign and magnitude)."""
    UNSIGNED_BYTE_NORM = 0
    SIGNED_BYTE_NORM = 1
    UNSIGNED_BYTE = 2
    SIGNED_BYTE = 3
    UNSIGNED_SHORT_NORM = 4
    SIGNED_SHORT_NORM = 5
    UNSIGNED_SHORT = 6
    SIGNED_SHORT = 7
    UNSIGNED_INTEGER_NORM = 8
    SIGNED_INTEGER_NORM = 9
    UNSIGNED_INTEGER = 10
    SIGNED_INTEGER = 11
    SIGNED_FLOAT = 12
    UNSIGNED_FLOAT = 13


class ColourSpace(enum.IntEnum):
    """Colour space of the colour channels."""
    LINEAR = 0
    SRGB = 1


class Filter(enum.IntEnum):
    """Resampling filter of resize and generate_mipmaps."""
    NEAREST = 0
    LINEAR = 1
    CUBIC = 2


class QELTCQuality(enum.IntEnum):
    """Encoder effort for the QELTC and QELTCII targets."""
    FASTEST = 0
    FAST = 1
    NORMAL = 2
    HIGH = 3
    BEST = 4


class ETCQuality(enum.IntEnum):
    """Encoder effort and error metric for the ETC1, ETC2 and EAC targets."""
    FAST = 0
    FAST_PERCEPTUAL = 1
    SLOW = 2
    SLOW_PERCEPTUAL = 3


# The same short names as the command-line tool.
CHANNEL_TYPE_NAMES = ("ubyte-norm", "sbyte-norm", "ubyte", "sbyte", "ushort-norm", "sshort-norm",
                      "ushort", "sshort", "uint-norm", "sint-norm", "uint", "sint", "float",
                      "ufloat")

_BITS_PER_PIXEL = (2, 2, 4, 4, 2, 4, 4, 4, 8, 8, 8, 8, 4, 8, 0, 0, 16, 16, 1, 32, 16, 16, 4, 8, 4,
                   4, 8)
_MIN_DIMS = ((16, 8), (16, 8), (8, 8), (8, 8), (8, 4), (4, 4)) + ((4, 4),) * 8 + ((1, 1),) * 2 + \
    ((2, 1), (2, 1), (8, 1), (1, 1), (2, 1), (2, 1)) + ((4, 4),) * 5
_SIGNED_TYPES = frozenset((1, 3, 5, 7, 9, 11))
_CHANNEL_LETTERS = "rgbalix"

FormatLike = Union[str, int, CompressedFormat]


def pixel_type(letters: str, widths: Tuple[int, ...]) -> int:
    """The 64-bit value of a packed layout: ``pixel_type("rgba", (8, 8, 8, 8))``."""
    if not 1 <= len(letters) <= 4 or len(widths) != len(letters):
        raise ValueError("a packed layout has 1 to 4 channels, each with a width")
    value = 0
    for i, (letter, width) in enumerate(zip(letters, widths)):
        if not 0 < width < 256:
            raise ValueError(f"channel width {width} is outside 1..255")
        value |= ord(letter) << (8 * i) | width << (32 + 8 * i)
    return value


def is_compressed(pixel_format: int) -> bool:
    """Whether the value names a compressed or special format (high 32 bits zero)."""
    return pixel_format >> 32 == 0


def channels_of(pixel_format: int) -> Tuple[Tuple[str, int], ...]:
    """(letter, width) of each channel of a packed layout, in storage order."""
    out = []
    for i in range(4):
        name, width = (pixel_format >> (8 * i)) & 0xFF, (pixel_format >> (32 + 8 * i)) & 0xFF
        if name or width:
            out.append((chr(name) if name else "", width))
    return tuple(out)


def _natural_channel_type(widths: Tuple[int, ...], is_float: bool) -> ChannelType:
    # Mirrors the command-line tool so that a name means the same thing everywhere.
    total, widest = sum(widths), max(widths)
    all_same = all(w == widths[0] for w in widths)
    if is_float:
        return ChannelType.SIGNED_FLOAT if all_same and widest in (16, 32) \
            else ChannelType.UNSIGNED_FLOAT
    if all_same and widest == 8:
        return ChannelType.UNSIGNED_BYTE_NORM
    if (widest <= 16 and total <= 16) or (all_same and widest == 16):
        return ChannelType.UNSIGNED_SHORT_NORM
    return ChannelType.UNSIGNED_INTEGER_NORM


def parse_format(name: FormatLike, operation: str = "parse_format") -> Tuple[int, ChannelType]:
    """(pixel format value, natural channel type) of a format name or value.

    Raises:
        UnknownFormatError: the name is neither a compressed format nor a packed layout.
    """
    if isinstance(name, CompressedFormat):
        return int(name), natural_channel_type_of_compressed(int(name))
    if isinstance(name, int) and not isinstance(name, bool):
        if not 0 <= name < 1 << 64:
            raise UnknownFormatError(operation, {"format": name}, "not a 64-bit pixel format value")
        if is_compressed(name):
            return name, natural_channel_type_of_compressed(name)
        widths = tuple(w for _, w in channels_of(name)) or (0,)
        return name, _natural_channel_type(widths, False)
    if not isinstance(name, str):
        raise UnknownFormatError(operation, {"format": name}, "expected a name or a value")
    for member in CompressedFormat:
        if name.lower() == member.name.lower():
            return int(member), natural_channel_type_of_compressed(int(member))
    text = name.lower()
    is_float = text.endswith("f")
    if is_float:
        text = text[:-1]
    shared = re.fullmatch(r"([rgbalix]{1,4})(\d+)", text)
    pairs = re.fullmatch(r"(?:[rgbalix]\d+){1,4}", text)
    if shared and len(shared.group(1)) > 1:
        letters = shared.group(1)
        widths = (int(shared.group(2)),) * len(letters)
    elif pairs:
        found = re.findall(r"([rgbalix])(\d+)", text)
        letters = "".join(letter for letter, _ in found)
        widths = tuple(int(width) for _, width in found)
    else:
        raise UnknownFormatError(
            operation, {"format": name},
            "not a compressed format (" + ", ".join(m.name for m in CompressedFormat) +
            ") nor a packed layout such as r8g8b8a8, r5g6b5, l8, rgba16f")
    if any(not 0 < w <= 32 for w in widths):
        raise UnknownFormatError(operation, {"format": name}, "channel widths must be 1..32 bits")
    return pixel_type(letters, widths), _natural_channel_type(widths, is_float)


def natural_channel_type_of_compressed(pixel_format: int) -> ChannelType:
    """The channel type a compressed target is asked for when none is given."""
    if pixel_format == CompressedFormat.SharedExponentR9G9B9E5:
        return ChannelType.SIGNED_FLOAT
    return ChannelType.UNSIGNED_BYTE_NORM


def format_name(pixel_format: int) -> str:
    """Readable name of a pixel format value: ``"ETC2_RGBA"``, ``"r8g8b8a8"``, ``"none"``."""
    if is_compressed(pixel_format):
        if pixel_format < NO_FORMAT:
            return CompressedFormat(pixel_format).name
        return "none" if pixel_format == NO_FORMAT else f"unknown({pixel_format})"
    return "".join(f"{letter or '?'}{width}" for letter, width in channels_of(pixel_format))


def parse_channel_type(value: Union[str, int, ChannelType], operation: str) -> ChannelType:
    """A :class:`ChannelType` from itself, its value, its name or its short name ("ubyte-norm")."""
    try:
        if isinstance(value, str):
            key = value.lower()
            if key in CHANNEL_TYPE_NAMES:
                return ChannelType(CHANNEL_TYPE_NAMES.index(key))
            return ChannelType[value.upper().replace("-", "_")]
        return ChannelType(value)
    except (KeyError, ValueError):
        raise UnknownFormatError(operation, {"channel_type": value},
                                 "channel types are " + ", ".join(CHANNEL_TYPE_NAMES)) from None


def parse_enum(kind: type, value: Union[str, int], operation: str, argument: str) -> int:
    """Value of an enumeration member given as itself, its value or its name (any case)."""
    try:
        if isinstance(value, str):
            return int(kind[value.upper().replace("-", "_")])
        return int(kind(value))
    except (KeyError, ValueError):
        raise UnknownFormatError(operation, {argument: value},
                                 f"{kind.__name__} is one of " +
                                 ", ".join(m.name for m in kind)) from None


def bits_per_pixel(pixel_format: int) -> int:
    """Bits per pixel of a pixel format (0 for BC6, BC7 and unknown values)."""
    if not is_compressed(pixel_format):
        return sum(w for _, w in channels_of(pixel_format))
    return _BITS_PER_PIXEL[pixel_format] if pixel_format < NO_FORMAT else 0


def min_dimensions(pixel_format: int) -> Tuple[int, int]:
    """Smallest width and height a level of the format occupies (block size)."""
    if is_compressed(pixel_format) and pixel_format < NO_FORMAT:
        return _MIN_DIMS[pixel_format]
    return 1, 1


def is_signed(channel_type: int) -> bool:
    """Whether a channel type stores sign and magnitude."""
    return channel_type in _SIGNED_TYPES


def intermediate_channel_type(pixel_format: int, channel_type: int) -> int:
    """The channel type a texture carries after transcoding to a compressed format."""
    if pixel_format == CompressedFormat.SharedExponentR9G9B9E5:
        return ChannelType.SIGNED_FLOAT
    if pixel_format in (CompressedFormat.EAC_R11, CompressedFormat.EAC_RG11):
        return ChannelType.SIGNED_SHORT_NORM if channel_type in _SIGNED_TYPES or \
            channel_type == ChannelType.SIGNED_FLOAT else ChannelType.UNSIGNED_SHORT_NORM
    return ChannelType.UNSIGNED_BYTE_NORM


def is_qeltc(pixel_format: int) -> bool:
    """Whether a compressed format is encoded by the QELTC encoders."""
    return is_compressed(pixel_format) and pixel_format <= CompressedFormat.QELTCII_4bpp


def is_etc(pixel_format: int) -> bool:
    """Whether a compressed format is encoded by the ETC encoders (ETC1, ETC2, EAC)."""
    return pixel_format == CompressedFormat.ETC1 or \
        CompressedFormat.ETC2_RGB <= pixel_format <= CompressedFormat.EAC_RG11
