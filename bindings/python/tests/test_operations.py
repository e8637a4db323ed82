"""Every operation through the binding: results checked against known values, and the tracked
shape checked against the header the library writes."""
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
        for name in ("t.qel", "t.ktx", "t.dds"):
            written = t.save(tmp_path / name)
            assert written == str(tmp_path / name)
            with qeltex.Texture.from_file(written) as loaded:
                assert loaded.data() == expected, name
                assert (loaded.width, loaded.height, loaded.levels) == (4, 8, 4), name
                np.testing.assert_array_equal(loaded.to_numpy(), pixels)
        # Anything else is a native file with .qel appended: the path returned says so.
        assert t.save(tmp_path / "t.png") == str(tmp_path / "t.png.qel")


def test_operations_keep_the_tracked_shape():
    # Nearest from 4 to 3 columns takes source columns 0, 1 and 2.
    row = rgba_ramp(1, 4)
    with qeltex.Texture.from_numpy(row) as t:
        t.resize(3, 1, filter="nearest")
        np.testing.assert_array_equal(t.to_numpy(), row[:, :3])
    # Resizing drops the MIP levels; resizing to the current size keeps them.
    with qeltex.Texture.from_numpy(rgba_ramp(4, 4)) as t:
        t.generate_mipmaps().resize(4, 4)
        assert t.levels == 3 and t.info == header_from_disk(t)
        t.resize(2, 2, filter=qeltex.Filter.LINEAR)
        assert (t.width, t.height, t.levels) == (2, 2, 1) and t.info == header_from_disk(t)
    with qeltex.Texture.from_numpy(np.zeros((64, 256, 4), np.uint8)) as t:
        t.generate_mipmaps("linear", levels=10)  # more than the full chain: 1x1 copies
        assert t.levels == 10 and t.info == header_from_disk(t)
        assert [t.to_numpy(level=i).shape[:2] for i in (1, 6, 9)] == [(32, 128), (1, 4), (1, 1)]
    pixels = np.array([[[200, 100, 50, 128], [90, 90, 90, 0]]], np.uint8)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.premultiply_alpha()
        assert t.premultiplied and t.info == header_from_disk(t)
        np.testing.assert_array_equal(t.to_numpy()[0], [[100, 50, 25, 128], [0, 0, 0, 0]])


def test_transcode_between_layouts_and_colour_spaces():
    pixels = rgba_ramp(4, 4)
    with qeltex.Texture.from_numpy(pixels) as t:
        t.transcode("rgba32f")
        assert (t.format, t.channel_type) == ("r32g32b32a32", qeltex.ChannelType.SIGNED_FLOAT)
        assert t.info == header_from_disk(t)
        np.testing.assert_allclose(t.to_numpy(), pixels / 255.0, atol=1e-6)
        t.transcode("r8g8b8a8")
        assert np.abs(t.to_numpy().astype(int) - pixels).max() <= 1
        # To sRGB: colour brightens, alpha is untouched.
        t.transcode("r8g8b8a8", colour_space="srgb")
        out = t.to_numpy()
        assert t.colour_space == qeltex.ColourSpace.SRGB and t.info == header_from_disk(t)
        np.testing.assert_array_equal(out[..., 3], pixels[..., 3])
        assert (out[..., :3] > pixels[..., :3]).mean() > 0.5


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
