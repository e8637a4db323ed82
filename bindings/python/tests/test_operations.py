"""Every operation through the binding: results checked against known values, and the tracked
shape checked against the header the library writes."""
import os

import numpy as np
import pytest

import qeltex
from conftest import rgba_ramp


def header_from_disk(texture):
    return texture._read_header(texture.handle)


def test_save_and_load_in_every_container(tmp_path):
    pixels = rgba_ramp(8, 4)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.generate_mipmaps()
        expected = t.data()
        for name in ("t.qel", "t.ktx", "t.dds", "T.KTX"):
            written = t.save(tmp_path / name)
            assert written == str(tmp_path / name)
            with qeltex.Texture.from_file(written) as loaded:
                assert loaded.data() == expected, name
                assert (loaded.width, loaded.height, loaded.levels) == (4, 8, 4), name
                np.testing.assert_array_equal(loaded.to_numpy(), pixels)
        # Anything else is a native file with .qel appended; .h is a C array of one.
        assert t.save(tmp_path / "t.png") == str(tmp_path / "t.png.qel")
        assert os.path.exists(tmp_path / "t.png.qel") and not os.path.exists(tmp_path / "t.png")
        assert t.save(tmp_path / "t") == str(tmp_path / "t.qel")
        t.save(tmp_path / "t.h")
        assert b"0x51" in (tmp_path / "t.h").read_bytes().lower()
    # The native file: header (height at byte 24, width at 28) then the data unchanged.
    raw = (tmp_path / "t.qel").read_bytes()
    assert raw[:4] == b"QEL\x03"
    assert int.from_bytes(raw[24:28], "little") == 8 and int.from_bytes(raw[28:32], "little") == 4
    assert raw[52:] == expected


def test_resize_filters():
    # Nearest from 4 to 3 columns takes source columns 0, 1 and 2.
    row = rgba_ramp(1, 4)
    with qeltex.Texture.from_numpy(row) as t:
        t.resize(3, 1, filter="nearest")
        np.testing.assert_array_equal(t.to_numpy(), row[:, :3])
    # Linear halving: the mean of each 2x2 block, rounded down; MIP levels are dropped.
    pixels = rgba_ramp(4, 4)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.generate_mipmaps(levels=3)
        t.resize(2, 2, filter=qeltex.Filter.LINEAR)
        assert (t.width, t.height, t.levels) == (2, 2, 1)
        assert t.info == header_from_disk(t)
        p = pixels.astype(np.uint32)
        mean = (p[0::2, 0::2] + p[1::2, 0::2] + p[0::2, 1::2] + p[1::2, 1::2]) // 4
        np.testing.assert_array_equal(t.to_numpy(), mean)
    # Resizing to the current size keeps the MIP chain.
    with qeltex.Texture.from_numpy(pixels) as t:
        t.generate_mipmaps().resize(4, 4)
        assert t.levels == 3 and t.info == header_from_disk(t)
    # Cubic enlargement of float data keeps the shape and the value range.
    with qeltex.Texture.from_numpy(rgba_ramp(4, 4).astype(np.float32) / 255) as t:
        t.resize(16, 8, filter="CUBIC")
        out = t.to_numpy()
        assert out.shape == (8, 16, 4) and out.min() >= 0.0 and out.max() <= 1.0


def test_generate_mipmaps_levels():
    with qeltex.Texture.from_numpy(np.zeros((64, 256, 4), np.uint8)) as t:
        t.generate_mipmaps()
        assert t.levels == 9 and t.info == header_from_disk(t)
        assert [t.to_numpy(level=i).shape[:2] for i in (1, 6, 8)] == [(32, 128), (1, 4), (1, 1)]
    two = np.zeros((2, 2, 4), np.uint8)
    two[..., 0] = [[10, 11], [12, 14]]
    with qeltex.Texture.from_numpy(two) as t:
        t.generate_mipmaps("linear", levels=5)  # more than the full chain: 1x1 copies
        assert t.levels == 5 and t.info == header_from_disk(t)
        assert [int(t.to_numpy(level=i)[0, 0, 0]) for i in range(1, 5)] == [11] * 4


def test_premultiply_alpha_values():
    pixels = np.array([[[200, 100, 50, 128], [10, 20, 30, 255], [90, 90, 90, 0]]], np.uint8)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.premultiply_alpha()
        assert t.premultiplied and t.info == header_from_disk(t)
        np.testing.assert_array_equal(t.to_numpy()[0], [[100, 50, 25, 128], [10, 20, 30, 255],
                                                       [0, 0, 0, 0]])
    wide = np.array([[[65535, 32768, 0, 32768]]], np.uint16)
    with qeltex.Texture.from_numpy(wide) as t:
        np.testing.assert_array_equal(t.premultiply_alpha().to_numpy()[0, 0],
                                      [32768, 16384, 0, 32768])


def test_transcode_between_layouts_and_colour_spaces():
    pixels = rgba_ramp(4, 4)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.transcode("rgba32f")
        assert (t.format, t.channel_type) == ("r32g32b32a32", qeltex.ChannelType.SIGNED_FLOAT)
        assert t.info == header_from_disk(t)
        np.testing.assert_allclose(t.to_numpy(), pixels / 255.0, atol=1e-6)
        t.transcode("r8g8b8a8")
        assert np.abs(t.to_numpy().astype(int) - pixels).max() <= 1
        # To sRGB: colour brightens (mid grey goes up), alpha is untouched.
        t.transcode("r8g8b8a8", colour_space="srgb")
        out = t.to_numpy()
        assert t.colour_space == qeltex.ColourSpace.SRGB and t.info == header_from_disk(t)
        np.testing.assert_array_equal(out[..., 3], pixels[..., 3])
        assert (out[..., :3].astype(int) >= pixels[..., :3].astype(int) - 1).all()
        assert (out[..., :3] > pixels[..., :3]).mean() > 0.5
    grey = np.full((4, 4, 4), 120, np.uint8)
    with qeltex.Texture.from_numpy(grey) as t:
        t.transcode("l8")
        assert t.format == "l8" and abs(int(t.to_numpy()[0, 0, 0]) - 120) <= 1


def test_transcode_to_block_formats_and_back():
    pixels = rgba_ramp(8, 8)
    pixels[..., 3] = 255
    with qeltex.Texture.from_numpy(pixels) as t:
        t.generate_mipmaps().transcode("ETC1", quality=qeltex.ETCQuality.FAST)
        # Blocks of 8 bytes per 4x4; levels below 4x4 take one whole block.
        assert t.format == "ETC1" and t.levels == 4 and t.data_size() == 32 + 8 + 8 + 8
        assert t.info == header_from_disk(t)
        with pytest.raises(qeltex.OperationError):
            t.to_numpy()
        t.transcode("r8g8b8a8")
        assert t.to_numpy(level=3).shape == (1, 1, 4)
        assert np.abs(t.to_numpy().astype(int) - pixels).mean() < 24
    with qeltex.Texture.from_numpy(pixels) as t:
        t.transcode("SharedExponentR9G9B9E5")
        assert t.data_size() == 8 * 8 * 4 and t.channel_type == qeltex.ChannelType.SIGNED_FLOAT
        t.transcode("rgba32f")
        np.testing.assert_allclose(t.to_numpy()[..., :3], pixels[..., :3] / 255.0, atol=0.01)
