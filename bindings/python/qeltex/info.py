"""The shape and format of a texture, the size rule of its data, and the 52-byte native header."""
from __future__ import annotations

import dataclasses
import struct
from typing import Optional

from . import formats

NATIVE_VERSION = 0x034C4551  # the bytes "QEL" followed by 3
_HEADER = struct.Struct("<IIQIIIIIIIII")  # 52 bytes, height before width
HEADER_SIZE = _HEADER.size
MAX_MIP_LEVELS = 32


@dataclasses.dataclass(frozen=True)
class TextureInfo:
    """Everything the native header says about a texture.

    Pixel data is laid out MIP level outermost, then array member, then face, then the depth
    slices and rows of one surface.
    """
    pixel_format: int
    channel_type: int
    colour_space: int
    width: int
    height: int
    depth: int = 1
    members: int = 1
    faces: int = 1
    levels: int = 1
    premultiplied: bool = False
    flags: int = 0  # the header's flag word as stored (bit 0 compressed file, bit 1 premultiplied)

    @property
    def format_name(self) -> str:
        """Name of the pixel format, as accepted by every method taking a format."""
        return formats.format_name(self.pixel_format)

    def level_dimensions(self, level: int) -> tuple:
        """(width, height, depth) of a MIP level."""
        return (max(1, self.width >> level), max(1, self.height >> level),
                max(1, self.depth >> level))

    def surface_size(self, level: int) -> int:
        """Bytes of one face of one array member at a MIP level (block formats round the level
        up to whole blocks)."""
        min_w, min_h = formats.min_dimensions(self.pixel_format)
        w, h, d = self.level_dimensions(level)
        w = -(-w // min_w) * min_w
        h = -(-h // min_h) * min_h
        return w * h * d * formats.bits_per_pixel(self.pixel_format) // 8

    def level_size(self, level: int) -> int:
        """Bytes of one MIP level over every array member and face."""
        return self.surface_size(level) * self.members * self.faces

    def total_size(self) -> int:
        """Bytes of the whole texture."""
        min_w, min_h = formats.min_dimensions(self.pixel_format)
        bits = 0
        for level in range(self.levels):
            w, h, d = self.level_dimensions(level)
            bits += (-(-w // min_w) * min_w) * (-(-h // min_h) * min_h) * d * \
                formats.bits_per_pixel(self.pixel_format)
        return bits // 8 * self.members * self.faces

    def replace(self, **changes) -> "TextureInfo":
        """A copy with some fields changed."""
        return dataclasses.replace(self, **changes)

    def pack(self) -> bytes:
        """The 52-byte native header of this shape (no metadata)."""
        flags = (self.flags & ~2) | (2 if self.premultiplied else 0)
        return _HEADER.pack(NATIVE_VERSION, flags, self.pixel_format, self.colour_space,
                            self.channel_type, self.height, self.width, self.depth, self.members,
                            self.faces, self.levels, 0)

    @classmethod
    def unpack(cls, header: bytes) -> Optional["TextureInfo"]:
        """The info of a native header, or None when the bytes are not one."""
        if len(header) < HEADER_SIZE:
            return None
        (version, flags, pixel_format, colour_space, channel_type, height, width, depth,
         members, faces, levels, _) = _HEADER.unpack_from(header)
        if version != NATIVE_VERSION:
            return None
        return cls(pixel_format, channel_type, colour_space, width, height, depth, members,
                   faces, levels, bool(flags & 2), flags)


def full_chain_length(width: int, height: int, depth: int) -> int:
    """MIP levels of a full chain down to 1 x 1 x 1."""
    return max(width, height, depth).bit_length()
