"""Conversions between numpy arrays and texture bytes (numpy is imported only here)."""
from __future__ import annotations

from typing import Optional, Tuple

import numpy as np

from . import formats
from .errors import OperationError, UnknownFormatError
from .formats import ChannelType
from .info import TextureInfo

# dtype -> (channel width, channel types a caller may ask for with that storage; first = default)
_DTYPES = {
    np.dtype(np.uint8): (8, (ChannelType.UNSIGNED_BYTE_NORM, ChannelType.UNSIGNED_BYTE)),
    np.dtype(np.uint16): (16, (ChannelType.UNSIGNED_SHORT_NORM, ChannelType.UNSIGNED_SHORT)),
    np.dtype(np.uint32): (32, (ChannelType.UNSIGNED_INTEGER_NORM, ChannelType.UNSIGNED_INTEGER)),
    np.dtype(np.float16): (16, (ChannelType.SIGNED_FLOAT, ChannelType.UNSIGNED_FLOAT)),
    np.dtype(np.float32): (32, (ChannelType.SIGNED_FLOAT,)),
}
_DEFAULT_CHANNELS = {1: "l", 2: "la", 3: "rgb", 4: "rgba"}
_NATURAL_WIDTHS = {0: (8,), 2: (8,), 4: (16,), 6: (16,), 8: (32,), 10: (32,), 12: (16, 32),
                   13: (16,)}


def from_numpy(pixels, channels: Optional[str], channel_type, colour_space: int,
               premultiplied: bool, array: bool, cube: bool) -> Tuple[bytes, TextureInfo]:
    """Texture bytes and info of an array shaped [members,] [6,] [depth,] height, width, channels."""
    operation = "from_numpy"
    pixels = np.asarray(pixels)
    arguments = {"shape": pixels.shape, "dtype": str(pixels.dtype)}
    if pixels.dtype not in _DTYPES:
        raise UnknownFormatError(operation, arguments,
                                 "dtype must be uint8, uint16, uint32, float16 or float32")
    width_bits, allowed = _DTYPES[pixels.dtype]
    if channel_type is None:
        channel_type = allowed[0]
    channel_type = formats.parse_channel_type(channel_type, operation)
    if channel_type not in allowed:
        raise UnknownFormatError(operation, dict(arguments, channel_type=channel_type.name),
                                 f"{pixels.dtype} data takes " +
                                 " or ".join(t.name for t in allowed))
    leading = int(array) + int(cube)
    if not array and not cube and pixels.ndim == 2:
        pixels = pixels[:, :, None]
    if pixels.ndim not in (leading + 3, leading + 4):
        raise OperationError(operation, arguments,
                             "expected shape [members,] [6 faces,] [depth,] height, width, "
                             "channels")
    members = pixels.shape[0] if array else 1
    faces = pixels.shape[int(array)] if cube else 1
    if cube and faces != 6:
        raise OperationError(operation, arguments, "a cube map has 6 faces")
    depth = pixels.shape[leading] if pixels.ndim == leading + 4 else 1
    height, width, count = pixels.shape[-3:]
    if channels is None:
        channels = _DEFAULT_CHANNELS.get(count, "")
    if len(channels) != count or not 1 <= count <= 4 or \
            any(c not in "rgbalix" for c in channels) or len(set(channels)) != count:
        raise UnknownFormatError(operation, dict(arguments, channels=channels),
                                 "need 1 to 4 distinct channel letters (r g b a l i x), "
                                 "one per entry of the last axis")
    if min(members, depth, height, width) == 0:
        raise OperationError(operation, arguments, "every dimension must be at least 1")
    info = TextureInfo(formats.pixel_type(channels, (width_bits,) * count), int(channel_type),
                       int(colour_space), width, height, depth, members, faces, 1,
                       bool(premultiplied), 2 if premultiplied else 0)
    return np.ascontiguousarray(pixels).tobytes(), info


def surface_array(raw: bytes, info: TextureInfo, level: int):
    """One surface's bytes as an array: (height, width, channels), or (depth, ...) when deep."""
    operation = "to_numpy"
    arguments = {"format": info.format_name, "channel_type": ChannelType(info.channel_type).name
                 if info.channel_type < 14 else info.channel_type}
    if formats.is_compressed(info.pixel_format):
        raise OperationError(operation, arguments, "a compressed format has no pixel array: "
                             "transcode to an uncompressed layout first, or use data()")
    layout = formats.channels_of(info.pixel_format)
    widths = [w for _, w in layout]
    kind = info.channel_type
    w, h, d = info.level_dimensions(level)
    shape = (d, h, w) if info.depth > 1 else (h, w)
    uniform = len(set(widths)) == 1 and widths[0] in _NATURAL_WIDTHS.get(kind, ())
    if uniform:  # one element per channel, native little-endian
        if kind in (12, 13):
            dtype = np.dtype("<f2") if widths[0] == 16 else np.dtype("<f4")
        else:
            dtype = np.dtype(f"<u{widths[0] // 8}")
        values = np.frombuffer(raw, dtype=dtype).reshape(shape + (len(widths),))
        if kind == 13:  # unsigned float: the sign bit is not read
            values = np.abs(values)
        return values.astype(dtype.newbyteorder("="))
    total = sum(widths)
    if kind in (0, 2, 4, 6, 8, 10) and total in (8, 16, 32, 64):
        # Packed: one little-endian word, the first channel in the most significant bits.
        words = np.frombuffer(raw, dtype=np.dtype(f"<u{total // 8}")).reshape(shape)
        out_dtype = np.uint8 if max(widths) <= 8 else np.uint16 if max(widths) <= 16 \
            else np.uint32
        out = np.empty(shape + (len(widths),), dtype=out_dtype)
        offset = 0
        for index, width in enumerate(widths):
            shift = total - offset - width
            out[..., index] = (words >> np.uint64(shift)) & np.uint64((1 << width) - 1)
            offset += width
        return out
    raise OperationError(operation, arguments,
                         "only unsigned and float layouts are returned as arrays (signed "
                         "channels are stored as sign and magnitude): transcode first, or use "
                         "data()")
