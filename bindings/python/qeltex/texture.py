"""The Texture class: one library texture handle with its operations."""
from __future__ import annotations

import ctypes
import os
import tempfile
import weakref
from typing import TYPE_CHECKING, Any, Dict, Optional, Tuple, Union

from . import formats
from ._library import library
from .errors import OperationError, TextureFileError, TextureReleasedError
from .formats import ChannelType, ColourSpace, ETCQuality, Filter, FormatLike, QELTCQuality
from .info import HEADER_SIZE, MAX_MIP_LEVELS, TextureInfo, full_chain_length

if TYPE_CHECKING:  # numpy is needed only by from_numpy and to_numpy
    import numpy

PathLike = Union[str, "os.PathLike[str]"]
_NATIVE_EXTENSIONS = ("ktx", "dds", "h", "qel")


def _destroy(destroy, handle: int) -> None:
    destroy(handle)


def _arrays_module():
    try:
        from . import _arrays
    except ImportError as error:
        raise ImportError(f"qeltex needs numpy for arrays ({error}); on Debian: "
                          "apt-get install python3-numpy") from error
    return _arrays


def written_path(path: PathLike) -> str:
    """The file a save to `path` writes: .ktx, .dds and .h as given, anything else as a native
    file with ".qel" appended unless the path already ends in it (any case)."""
    text = os.fspath(path)
    extension = text[text.rfind(".") + 1:].lower() if "." in text else text.lower()
    return text if extension in _NATIVE_EXTENSIONS else text + ".qel"


def _format_and_type(format: FormatLike, channel_type: Union[None, str, int, ChannelType],
                     operation: str) -> Tuple[int, ChannelType]:
    """The packed pixel format and channel type (the format's natural one by default)."""
    pixel_format, natural = formats.parse_format(format, operation)
    kind = natural if channel_type is None else formats.parse_channel_type(channel_type, operation)
    return pixel_format, kind


def _new_info(operation: str, format: FormatLike, channel_type: Union[None, str, int, ChannelType],
              colour_space: Union[str, int, ColourSpace], premultiplied: bool,
              shape: Tuple[int, int, int, int, int, int]) -> TextureInfo:
    """The header of a new texture: shape is (width, height, depth, members, faces, levels)."""
    pixel_format, kind = _format_and_type(format, channel_type, operation)
    return TextureInfo(pixel_format, int(kind),
                       formats.parse_enum(ColourSpace, colour_space, operation, "colour_space"),
                       *shape, bool(premultiplied), 2 if premultiplied else 0)


class Texture:
    """A GPU texture held by the library: a header, metadata and one block of pixel data.

    A Texture owns one library handle. Release it with :meth:`close` or a ``with`` block;
    otherwise it is released when the object is garbage collected. A released texture raises
    :class:`~qeltex.errors.TextureReleasedError` on every further use.

    Create one with :meth:`from_numpy`, :meth:`from_bytes`, :meth:`empty` or :meth:`from_file`.
    Operations change the texture in place and return it, so they chain::

        with qeltex.Texture.from_file("photo.ktx") as t:
            t.generate_mipmaps().transcode("ETC2_RGBA").save("photo_etc.ktx")

    Array members and cube faces: the library's creator makes one member, one face and one MIP
    level, so textures with more members or faces (and byte data with several MIP levels) are
    created by writing a native file to a temporary folder and loading it. Everything else goes
    straight through the library's functions.

    Shape bookkeeping: the library reports only byte counts, so the texture's shape is kept
    here (see :attr:`info`). After an operation it is updated as the operation defines it and
    checked against the library's byte count; when that check fails, or after an operation
    that failed or whose result cannot be predicted (loading a file, encoding to a compressed
    format), the header is read back by saving a native copy to a temporary file.

    One texture must not be used from two threads at once; different textures may.
    """

    __slots__ = ("_handle", "_finalizer", "_info", "__weakref__")

    def __init__(self, handle: Optional[int], info: Optional[TextureInfo] = None) -> None:
        """Adopts a raw handle (as returned by the library's creators). Prefer the class
        methods; a null handle raises :class:`TextureReleasedError`."""
        self._handle: Optional[int] = None
        self._finalizer = None
        self._info = info
        if not handle:
            raise TextureReleasedError("Texture", {"handle": handle}, "the handle is null")
        self._handle = handle
        self._finalizer = weakref.finalize(self, _destroy, library().DestroyTexture, handle)

    # ----------------------------------------------------------------- creation
    @classmethod
    def from_numpy(cls, pixels: "numpy.ndarray", *, channels: Optional[str] = None,
                   channel_type: Union[None, str, int, ChannelType] = None,
                   colour_space: Union[str, int, ColourSpace] = ColourSpace.LINEAR,
                   premultiplied: bool = False, array: bool = False,
                   cube: bool = False) -> "Texture":
        """A texture holding a copy of a numpy array.

        Shape: ``[members,] [6,] [depth,] height, width, channels`` where the members axis is
        present when ``array`` is true and the 6-face axis when ``cube`` is true; a 2-D array
        is one channel. So (H, W, C) is a 2-D texture, (D, H, W, C) a volume, with
        ``array=True`` (M, H, W, C) an array texture and with ``cube=True`` (6, H, W, C) a
        cube map (faces +X, -X, +Y, -Y, +Z, -Z).

        The dtype chooses the storage: uint8, uint16, uint32 (unsigned normalised by default,
        or unsigned integer through ``channel_type``), float16 or float32 (float).
        ``channels`` names the channels of the last axis in order; by default 1 is "l",
        2 "la", 3 "rgb" and 4 "rgba". Only rgba layouts can be resized, MIP mapped or
        premultiplied; transcode others to "r8g8b8a8" (or 16/32-bit) first.

        Raises:
            UnknownFormatError: unsupported dtype, channel letters or channel type.
            OperationError: a shape that is not one of the above, or too large a texture.
        """
        _arrays = _arrays_module()
        data, info = _arrays.from_numpy(
            pixels, channels, channel_type,
            formats.parse_enum(ColourSpace, colour_space, "from_numpy", "colour_space"),
            premultiplied, array, cube)
        return cls._create(data, info, "from_numpy")

    @classmethod
    def from_bytes(cls, data: Union[bytes, bytearray, memoryview], width: int, height: int,
                   depth: int = 1, format: FormatLike = "r8g8b8a8", *,
                   channel_type: Union[None, str, int, ChannelType] = None,
                   colour_space: Union[str, int, ColourSpace] = ColourSpace.LINEAR,
                   premultiplied: bool = False, members: int = 1, faces: int = 1,
                   levels: int = 1) -> "Texture":
        """A texture holding a copy of raw pixel bytes in any format, compressed ones included.

        ``data`` must hold exactly the texture's size: MIP level outermost, then array member,
        then face, each surface's depth slices and rows in order (block formats round each
        level up to whole blocks). ``channel_type`` defaults to the format name's natural one.

        Raises:
            UnknownFormatError: unknown format or channel type name.
            OperationError: ``data`` has the wrong size, or the shape is too large.
        """
        operation = "from_bytes"
        info = _new_info(operation, format, channel_type, colour_space, premultiplied,
                         (width, height, depth, members, faces, levels))
        return cls._create(bytes(memoryview(data).cast("B")), info, operation)

    @classmethod
    def empty(cls, width: int, height: int, depth: int = 1, format: FormatLike = "r8g8b8a8", *,
              channel_type: Union[None, str, int, ChannelType] = None,
              colour_space: Union[str, int, ColourSpace] = ColourSpace.LINEAR,
              premultiplied: bool = False) -> "Texture":
        """A texture of one member, face and MIP level whose pixel bytes are all zero."""
        operation = "CreateTexture"
        info = _new_info(operation, format, channel_type, colour_space, premultiplied,
                         (width, height, depth, 1, 1, 1))
        return cls._create(None, info, operation)

    @classmethod
    def from_file(cls, path: PathLike) -> "Texture":
        """Loads a .ktx, .dds or native (.qel, and any other extension) texture file; the
        container is chosen by the extension alone.

        Raises:
            TextureFileError: the file does not exist, or could not be read as that container.
        """
        text = os.fspath(path)
        if not os.path.isfile(text):
            raise TextureFileError("CreateTextureFromFile", {"path": text}, "no such file")
        lib = library()
        texture = cls(lib.CreateTextureFromFile(os.fsencode(text)))
        if lib.GetTextureDataSize(texture._handle, -1) == 0:
            texture.close()
            raise TextureFileError("CreateTextureFromFile", {"path": text},
                                   "the file could not be read (wrong container for its "
                                   "extension, or damaged)")
        return texture

    @classmethod
    def _create(cls, data: Optional[bytes], info: TextureInfo, operation: str) -> "Texture":
        arguments = {"width": info.width, "height": info.height, "depth": info.depth,
                     "format": info.format_name}
        if min(info.width, info.height, info.depth, info.members, info.faces, info.levels) < 1:
            raise OperationError(operation, arguments, "every dimension and count must be >= 1")
        if info.levels > MAX_MIP_LEVELS or max(info.width, info.height, info.depth) >= 1 << 32:
            raise OperationError(operation, arguments, "outside the library's size limits")
        expected = info.total_size()
        if expected >= 1 << 32:
            raise OperationError(operation, arguments,
                                 f"{expected} bytes: a texture holds at most 2^32 - 1 bytes")
        if data is not None and len(data) != expected:
            raise OperationError(operation, dict(arguments, bytes=len(data)),
                                 f"this shape needs exactly {expected} bytes")
        if (info.members, info.faces, info.levels) == (1, 1, 1):
            lib = library()
            texture = cls(lib.CreateTexture(data, info.width, info.height, info.depth,
                                            info.pixel_format, info.premultiplied,
                                            info.channel_type, info.colour_space), info)
        else:
            texture = cls._load_native(info.pack() + (data or bytes(expected)), info)
        if expected and library().GetTextureDataSize(texture._handle, -1) != expected:
            texture.close()
            raise OperationError(operation, arguments, "the library made an empty texture")
        return texture

    @classmethod
    def _load_native(cls, file_bytes: bytes, info: Optional[TextureInfo]) -> "Texture":
        with tempfile.TemporaryDirectory(prefix="qeltex-") as folder:
            path = os.path.join(folder, "texture.qel")
            with open(path, "wb") as stream:
                stream.write(file_bytes)
            return cls(library().CreateTextureFromFile(os.fsencode(path)), info)

    # ----------------------------------------------------------------- lifetime
    def close(self) -> None:
        """Destroys the library texture now. Further use raises TextureReleasedError; closing
        again does nothing."""
        if self._finalizer is not None:
            self._finalizer()
        self._handle = None

    @property
    def closed(self) -> bool:
        """Whether the handle was released."""
        return self._handle is None

    def __enter__(self) -> "Texture":
        self._require("with")
        return self

    def __exit__(self, *exc_info: Any) -> None:
        self.close()

    @property
    def handle(self) -> int:
        """The raw library handle, for calling the C functions directly (still owned here)."""
        return self._require("handle")

    def _require(self, operation: str, **arguments: Any) -> int:
        if self._handle is None:
            raise TextureReleasedError(operation, arguments,
                                       "the texture was released (closed or never created)")
        return self._handle

    def __repr__(self) -> str:
        if self._handle is None:
            return "<qeltex.Texture (released)>"
        i = self.info
        shape = f"{i.width}x{i.height}" + (f"x{i.depth}" if i.depth > 1 else "")
        extra = (f", {i.members} members" if i.members > 1 else "") + \
            (f", {i.faces} faces" if i.faces > 1 else "")
        kind = formats.CHANNEL_TYPE_NAMES[i.channel_type] if i.channel_type < 14 \
            else str(i.channel_type)
        space = ColourSpace(i.colour_space).name.lower() if i.colour_space < 2 \
            else str(i.colour_space)
        return (f"<qeltex.Texture {shape} {i.format_name} {kind} {space}, "
                f"{i.levels} level{'s' if i.levels != 1 else ''}{extra}>")

    # ----------------------------------------------------------------- shape
    @property
    def info(self) -> TextureInfo:
        """Shape and format of the texture (see the class notes on how it is kept)."""
        handle = self._require("info")
        if self._info is None:
            self._info = self._read_header(handle)
        return self._info

    def _read_header(self, handle: int) -> TextureInfo:
        with tempfile.TemporaryDirectory(prefix="qeltex-") as folder:
            path = os.path.join(folder, "header.qel")
            if not library().SaveTexture(handle, os.fsencode(path)):
                raise OperationError("SaveTexture", {"path": path},
                                     "could not write a native copy to read the header")
            with open(path, "rb") as stream:
                info = TextureInfo.unpack(stream.read(HEADER_SIZE))
        if info is None:
            raise OperationError("SaveTexture", {"path": path}, "the native copy has no header")
        return info

    def _expect(self, info: TextureInfo) -> None:
        """Records the predicted shape, or rereads it when the byte count disagrees."""
        handle = self._require("info")
        if info.total_size() == library().GetTextureDataSize(handle, -1):
            self._info = info
        else:
            self._info = self._read_header(handle)

    width = property(lambda self: self.info.width, doc="Width of MIP level 0 in pixels.")
    height = property(lambda self: self.info.height, doc="Height of MIP level 0 in pixels.")
    depth = property(lambda self: self.info.depth, doc="Depth of MIP level 0 in pixels.")
    levels = property(lambda self: self.info.levels, doc="Number of MIP levels.")
    members = property(lambda self: self.info.members, doc="Number of array members.")
    faces = property(lambda self: self.info.faces, doc="Number of faces (6 for a cube map).")
    format = property(lambda self: self.info.format_name,
                      doc='Name of the pixel format ("r8g8b8a8", "ETC2_RGBA", ...).')
    pixel_format = property(lambda self: self.info.pixel_format,
                            doc="The 64-bit pixel format value.")
    channel_type = property(lambda self: ChannelType(self.info.channel_type),
                            doc="Channel data type.")
    colour_space = property(lambda self: ColourSpace(self.info.colour_space),
                            doc="Colour space.")
    premultiplied = property(lambda self: self.info.premultiplied,
                             doc="Whether colour is premultiplied by alpha.")

    # ----------------------------------------------------------------- operations
    def _call(self, operation: str, arguments: Dict[str, Any], *call_args: Any) -> None:
        handle = self._require(operation, **arguments)
        if not getattr(library(), operation)(handle, *call_args):
            self._info = None  # a failed operation may still have changed the texture
            reason = "the library refused it"
            if operation == "Transcode":
                reason += " (the texture may now hold the target format with undefined " \
                          "contents: see .info)"
            raise OperationError(operation, arguments, reason)

    def save(self, path: PathLike) -> str:
        """Saves by extension: .ktx, .dds, .h (C array of a native file); anything else is a
        native file with ".qel" appended unless the path ends in it. Returns the path written.

        Raises:
            OperationError: the file could not be written (nothing is left behind).
        """
        text = os.fspath(path)
        self._call("SaveTexture", {"path": text}, os.fsencode(text))
        return written_path(text)

    def resize(self, width: int, height: int, depth: int = 1,
               filter: Union[str, int, Filter] = Filter.LINEAR) -> "Texture":
        """Resamples the top level of every member and face and drops the other MIP levels.
        Standard RGBA layouts only (8/16/32-bit unsigned normalised, 32-bit float)."""
        mode = formats.parse_enum(Filter, filter, "Resize", "filter")
        arguments = {"width": width, "height": height, "depth": depth, "filter": Filter(mode).name}
        before = self.info if self._handle is not None else None  # None: _call raises
        self._call("Resize", arguments, width, height, depth, mode)
        if (width, height, depth) != (before.width, before.height, before.depth):
            self._expect(before.replace(width=width, height=height, depth=depth, levels=1))
        return self

    def generate_mipmaps(self, filter: Union[str, int, Filter] = Filter.LINEAR,
                         levels: Optional[int] = None) -> "Texture":
        """Rebuilds the MIP chain from level 0; ``levels=None`` makes the full chain down to
        1 x 1 x 1. Standard RGBA layouts only."""
        mode = formats.parse_enum(Filter, filter, "GenerateMIPMaps", "filter")
        count = 0xFFFFFFFF if levels is None else levels
        arguments = {"filter": Filter(mode).name, "levels": levels}
        if not 0 <= count <= 0xFFFFFFFF:
            raise OperationError("GenerateMIPMaps", arguments, "levels must fit 32 bits")
        before = self.info if self._handle is not None else None
        self._call("GenerateMIPMaps", arguments, mode, count)
        self._expect(before.replace(levels=full_chain_length(before.width, before.height,
                                                             before.depth)
                                    if levels is None else levels))
        return self

    def premultiply_alpha(self) -> "Texture":
        """Multiplies colour by alpha and marks the texture premultiplied (refused when it
        already is). Standard RGBA layouts only."""
        before = self.info if self._handle is not None else None
        self._call("PremultiplyAlpha", {})
        self._expect(before.replace(premultiplied=True, flags=before.flags | 2))
        return self

    def transcode(self, format: FormatLike, channel_type: Union[None, str, int,
                                                                ChannelType] = None,
                  colour_space: Union[None, str, int, ColourSpace] = None,
                  quality: Union[None, str, int, QELTCQuality, ETCQuality] = None,
                  dither: bool = False) -> "Texture":
        """Converts to another pixel format, channel type and colour space.

        ``channel_type`` defaults to the format name's natural one and ``colour_space`` to the
        current one. ``quality`` matters for block formats: a :class:`QELTCQuality` for the
        QELTC formats (default NORMAL), an :class:`ETCQuality` for ETC1, ETC2 and EAC (default
        FAST); a name is looked up in the family of the target format.

        Raises:
            UnknownFormatError: unknown format, channel type, colour space or quality.
            OperationError: the library refused (for example a target without an encoder, such
                as DXT1). The texture may then already hold the target format; see ``info``.
        """
        operation = "Transcode"
        self._require(operation, format=format)
        pixel_format, kind = _format_and_type(format, channel_type, operation)
        current = self.info
        space = current.colour_space if colour_space is None else \
            formats.parse_enum(ColourSpace, colour_space, operation, "colour_space")
        family = QELTCQuality if formats.is_qeltc(pixel_format) else ETCQuality
        if quality is None:
            level = int(QELTCQuality.NORMAL if family is QELTCQuality else ETCQuality.FAST)
        elif isinstance(quality, str):
            level = formats.parse_enum(family, quality, operation, "quality")
        else:
            level = int(quality)
        arguments = {"format": formats.format_name(pixel_format),
                     "channel_type": kind.name, "colour_space": ColourSpace(space).name
                     if space < 2 else space, "quality": level, "dither": bool(dither)}
        self._call(operation, arguments, pixel_format, int(kind), space, level, bool(dither))
        if formats.is_compressed(pixel_format):
            self._info = None  # the encoder's channel type is the library's to decide
        else:
            self._expect(current.replace(pixel_format=pixel_format, channel_type=int(kind),
                                         colour_space=space))
        return self

    # ----------------------------------------------------------------- data
    def data_size(self, level: Optional[int] = None) -> int:
        """Bytes of one MIP level over every member and face, or of the whole texture."""
        handle = self._require("GetTextureDataSize", level=level)
        return library().GetTextureDataSize(handle, -1 if level is None else level)

    def _copy_out(self, start_level: int, count: int, operation: str,
                  **arguments: Any) -> ctypes.Array:
        handle = self._require(operation, **arguments)
        buffer = ctypes.create_string_buffer(count)
        if count:
            library().GetTextureData(handle, buffer, count, start_level)
        return buffer

    def data(self, level: Optional[int] = None) -> bytes:
        """A copy of the pixel bytes of one MIP level (every member and face, member outermost)
        or, for ``level=None``, of the whole texture. Works for every format."""
        handle = self._require("GetTextureData", level=level)
        if level is not None and not 0 <= level < self.info.levels:
            raise OperationError("GetTextureData", {"level": level},
                                 f"the texture has {self.info.levels} MIP levels")
        count = library().GetTextureDataSize(handle, -1 if level is None else level)
        return self._copy_out(0 if level is None else level, count, "GetTextureData",
                              level=level).raw

    def to_numpy(self, level: int = 0, face: int = 0, member: int = 0) -> "numpy.ndarray":
        """One surface as a new numpy array: (height, width, channels), or
        (depth, height, width, channels) for a volume, channels in storage order.

        Supported: uncompressed layouts whose channels all share a width natural to the
        channel type (8-bit, 16-bit and 32-bit unsigned as uint8/16/32, 16- and 32-bit float
        as float16/float32), and packed unsigned layouts of 8, 16, 32 or 64 bits per pixel such
        as r5g6b5 (raw channel values). Compressed formats and signed channels raise
        OperationError: transcode first, or use :meth:`data`.
        """
        _arrays = _arrays_module()
        arguments = {"level": level, "face": face, "member": member}
        self._require("to_numpy", **arguments)
        info = self.info
        if not (0 <= level < info.levels and 0 <= face < info.faces and
                0 <= member < info.members):
            raise OperationError("to_numpy", arguments,
                                 f"the texture has {info.levels} levels, {info.members} "
                                 f"members and {info.faces} faces")
        # The library copies from the start of a level (member 0, face 0) onwards.
        level_bytes = library().GetTextureDataSize(self._handle, level)
        surface = level_bytes // (info.members * info.faces)
        offset = (member * info.faces + face) * surface
        raw = self._copy_out(level, offset + surface, "to_numpy", **arguments).raw[offset:]
        return _arrays.surface_array(raw, info, level)
