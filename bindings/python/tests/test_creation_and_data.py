"""Creating textures from arrays and bytes, and reading surfaces back by level, member, face."""
import numpy as np

import qeltex
from conftest import rgba_ramp


def header_from_disk(texture):
    """The header as the library itself writes it, independent of the tracked shape."""
    return texture._read_header(texture.handle)


def test_dtypes_choose_storage_and_round_trip():
    cases = [(np.uint8, "r8g8b8a8", qeltex.ChannelType.UNSIGNED_BYTE_NORM),
             (np.uint16, "r16g16b16a16", qeltex.ChannelType.UNSIGNED_SHORT_NORM),
             (np.uint32, "r32g32b32a32", qeltex.ChannelType.UNSIGNED_INTEGER_NORM),
             (np.float16, "r16g16b16a16", qeltex.ChannelType.SIGNED_FLOAT),
             (np.float32, "r32g32b32a32", qeltex.ChannelType.SIGNED_FLOAT)]
    base = rgba_ramp(3, 5)
    for dtype, name, kind in cases:
        pixels = base.astype(dtype) * (257 if dtype == np.uint16 else 1)
        if dtype == np.uint32:
            pixels = pixels * 16843009  # 0xFF -> 0xFFFFFFFF: every byte of the word differs
        with qeltex.Texture.from_numpy(pixels) as t:
            assert (t.format, t.channel_type) == (name, kind)
            assert t.info == header_from_disk(t)
            back = t.to_numpy()
            assert back.dtype == np.dtype(dtype) and back.shape == (3, 5, 4)
            np.testing.assert_array_equal(back, pixels)
            assert t.data() == np.ascontiguousarray(pixels).tobytes()


def test_channel_counts_and_names():
    grey = np.arange(12, dtype=np.uint8).reshape(3, 4)
    with qeltex.Texture.from_numpy(grey) as t:
        assert t.format == "l8" and t.data_size() == 12
        np.testing.assert_array_equal(t.to_numpy()[..., 0], grey)
    with qeltex.Texture.from_numpy(np.zeros((2, 2, 4), np.uint8), channels="bgra") as t:
        assert t.format == "b8g8r8a8"


def test_width_height_depth_order_in_header():
    # A non-square volume: any swap of width, height or depth shows in the header and shape.
    volume = np.stack([rgba_ramp(2, 4, seed) for seed in range(3)])  # D=3, H=2, W=4
    with qeltex.Texture.from_numpy(volume, colour_space="srgb", premultiplied=True) as t:
        disk = header_from_disk(t)
        assert (disk.width, disk.height, disk.depth) == (4, 2, 3)
        assert disk.colour_space == qeltex.ColourSpace.SRGB and disk.premultiplied
        assert disk.flags == 2
        np.testing.assert_array_equal(t.to_numpy(), volume)


def test_array_and_cube_surfaces_are_addressed_by_member_and_face():
    members = np.stack([np.stack([rgba_ramp(4, 8, 10 * m + f) for f in range(6)])
                        for m in range(3)])  # (3 members, 6 faces, 4, 8, 4)
    with qeltex.Texture.from_numpy(members, array=True, cube=True) as t:
        assert (t.members, t.faces, t.levels) == (3, 6, 1)
        assert t.info == header_from_disk(t)
        for m in range(3):
            for f in range(6):
                np.testing.assert_array_equal(t.to_numpy(member=m, face=f), members[m, f])
        # Level 1 of each surface is the 2x2 mean of its own level 0 (the surfaces stay apart).
        t.generate_mipmaps(qeltex.Filter.LINEAR)
        assert t.levels == 4 and t.info == header_from_disk(t)
        top = members[2, 5].astype(np.uint32)
        mean = (top[0::2, 0::2] + top[1::2, 0::2] + top[0::2, 1::2] + top[1::2, 1::2]) // 4
        np.testing.assert_array_equal(t.to_numpy(level=1, member=2, face=5), mean)


def test_bytes_with_levels_and_block_sizes():
    # 64x64 DXT5 with 7 levels: 4096 + 1024 + 256 + 64 + 16 + 16 + 16 bytes.
    blob = bytes(i % 253 for i in range(5488))
    with qeltex.Texture.from_bytes(blob, 64, 64, format="DXT5", levels=7) as t:
        assert t.data_size() == 5488 and t.data() == blob
        assert [t.data_size(level) for level in range(7)] == [4096, 1024, 256, 64, 16, 16, 16]
        assert t.data(level=5) == blob[5456:5472]
    with qeltex.Texture.empty(4, 2, format="rgba32f") as t:
        assert t.data() == bytes(128) and t.channel_type == qeltex.ChannelType.SIGNED_FLOAT


def test_packed_and_half_float_layouts_read_back():
    red = np.zeros((2, 2, 4), np.uint8)
    red[..., 0] = 255
    red[..., 3] = 255
    with qeltex.Texture.from_numpy(red) as t:
        t.transcode("r5g6b5")
        # One little-endian 16-bit word, red in the top five bits.
        assert t.data() == b"\x00\xf8" * 4
        np.testing.assert_array_equal(t.to_numpy()[0, 0], [31, 0, 0])
    with qeltex.Texture.from_numpy(rgba_ramp(2, 3)) as t:
        t.transcode("rgba16f")
        half = t.to_numpy()
        assert half.dtype == np.float16
        np.testing.assert_allclose(half, rgba_ramp(2, 3) / 255.0, atol=1e-3)


def test_names_parse_to_the_expected_values():
    assert qeltex.parse_format("etc2_rgba")[0] == 23
    assert qeltex.parse_format("rgba8") == qeltex.parse_format("r8g8b8a8")
    assert qeltex.parse_format("r8g8b8a8")[0] == 0x0808080861626772
    assert qeltex.parse_format("a8")[0] == 0x0000000800000061
    assert qeltex.parse_format("rgba32f") == (0x2020202061626772, qeltex.ChannelType.SIGNED_FLOAT)
    for value in list(range(27)) + [0x0808080861626772, 0x0005060500626772]:
        assert qeltex.parse_format(qeltex.format_name(value))[0] == value
