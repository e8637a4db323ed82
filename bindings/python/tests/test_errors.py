"""Every failure raises the documented exception, naming the operation and its arguments."""
import os
import subprocess
import sys

import numpy as np
import pytest

import qeltex


def small():
    return qeltex.Texture.from_numpy(np.zeros((4, 4, 4), np.uint8))


def test_null_handles():
    with pytest.raises(qeltex.TextureReleasedError):
        qeltex.Texture(None)
    lib = qeltex.library()  # the library's own guards, which the class never relies on
    assert lib.GetTextureDataSize(None, -1) == 0
    assert lib.Resize(None, 1, 1, 1, 0) == 0 and lib.PremultiplyAlpha(None) == 0
    assert lib.GenerateMIPMaps(None, 1, 2) == 0 and lib.Transcode(None, 6, 0, 0, 0, 0) == 0
    assert lib.SaveTexture(None, b"x.qel") == 0
    lib.DestroyTexture(None)
    lib.GetTextureData(None, None, 4, 0)


def test_released_texture_refuses_everything(tmp_path):
    t = small()
    with t:
        pass
    assert t.closed and "released" in repr(t)
    t.close()  # closing twice is harmless
    calls = {"data": lambda: t.data(), "to_numpy": lambda: t.to_numpy(),
             "data_size": lambda: t.data_size(), "info": lambda: t.info,
             "save": lambda: t.save(tmp_path / "x.qel"), "resize": lambda: t.resize(2, 2),
             "generate_mipmaps": lambda: t.generate_mipmaps(),
             "premultiply_alpha": lambda: t.premultiply_alpha(),
             "transcode": lambda: t.transcode("ETC1"), "handle": lambda: t.handle,
             "with": lambda: t.__enter__()}
    for name, call in calls.items():
        with pytest.raises(qeltex.TextureReleasedError) as error:
            call()
        assert "released" in str(error.value), name
    assert not os.path.exists(tmp_path / "x.qel")


def test_garbage_collection_releases_the_handle():
    import gc
    t = small()
    finalizer = t._finalizer
    del t
    gc.collect()
    assert not finalizer.alive


def test_files(tmp_path):
    with pytest.raises(qeltex.TextureFileError) as error:
        qeltex.Texture.from_file(tmp_path / "missing.ktx")
    assert isinstance(error.value, OSError) and error.value.operation == "CreateTextureFromFile"
    assert error.value.arguments["path"].endswith("missing.ktx")
    (tmp_path / "junk.qel").write_bytes(b"not a texture at all")
    with pytest.raises(qeltex.TextureFileError):
        qeltex.Texture.from_file(tmp_path / "junk.qel")
    with small() as t:
        with pytest.raises(qeltex.OperationError) as error:
            t.save(tmp_path / "no" / "such" / "folder.ktx")
        assert error.value.operation == "SaveTexture"
        assert not os.path.exists(tmp_path / "no")


def test_unknown_names():
    with small() as t:
        for call in (lambda: t.transcode("ETC3"), lambda: t.transcode("r8g8b8q8"),
                     lambda: t.transcode("rgba64"), lambda: t.resize(2, 2, filter="bilinear"),
                     lambda: t.transcode("r8g8b8a8", channel_type="half"),
                     lambda: t.transcode("r8g8b8a8", colour_space="p3"),
                     lambda: t.transcode("ETC1", quality="ultra")):
            with pytest.raises(qeltex.UnknownFormatError) as error:
                call()
            assert isinstance(error.value, ValueError)
        assert t.format == "r8g8b8a8"  # nothing reached the library
    with pytest.raises(qeltex.UnknownFormatError) as error:
        qeltex.Texture.empty(4, 4, format="ETC3")
    assert "ETC3" in str(error.value)
    with pytest.raises(qeltex.UnknownFormatError):
        qeltex.Texture.from_numpy(np.zeros((2, 2, 4), np.int8))


def test_refused_operations():
    with small() as t:
        with pytest.raises(qeltex.OperationError) as error:
            t.transcode("DXT1")  # no encoder
        assert error.value.operation == "Transcode"
        assert error.value.arguments["format"] == "DXT1"
        assert "Transcode(format='DXT1'" in str(error.value)
        assert t.format == "DXT1"  # the library replaced the texture; the shape was reread
    with small() as t:
        t.premultiply_alpha()
        with pytest.raises(qeltex.OperationError, match="PremultiplyAlpha"):
            t.premultiply_alpha()
        with pytest.raises(qeltex.OperationError, match=r"Resize\(width=0"):
            t.resize(0, 4)
        with pytest.raises(qeltex.OperationError, match="levels=0"):
            t.generate_mipmaps(levels=0)
        with pytest.raises(qeltex.OperationError):
            t.to_numpy(level=1)
        with pytest.raises(qeltex.OperationError):
            t.data(level=3)
    with qeltex.Texture.from_numpy(np.zeros((4, 4, 3), np.uint8)) as t:
        with pytest.raises(qeltex.OperationError, match="Resize"):
            t.resize(2, 2)  # only RGBA layouts resample
    with pytest.raises(qeltex.OperationError, match="exactly 64 bytes"):
        qeltex.Texture.from_bytes(bytes(63), 4, 4)
    with pytest.raises(qeltex.OperationError, match="2\\^32"):
        qeltex.Texture.empty(65536, 65536, 2)
    with pytest.raises(qeltex.OperationError, match="6 faces"):
        qeltex.Texture.from_numpy(np.zeros((5, 2, 2, 4), np.uint8), cube=True)


def test_missing_library_says_where_it_looked(tmp_path):
    env = dict(os.environ, QELTEX_LIBRARY=str(tmp_path / "nowhere.so"))
    run = subprocess.run([sys.executable, "-c", "import qeltex; qeltex.Texture.empty(1, 1)"],
                         env=env, capture_output=True, text=True)
    assert run.returncode != 0
    assert "LibraryNotFoundError" in run.stderr and str(tmp_path / "nowhere.so") in run.stderr
    assert "QELTEX_LIBRARY" in run.stderr
    # A folder holding the library works as well as the file itself.
    env["QELTEX_LIBRARY"] = os.path.dirname(qeltex.library_path())
    run = subprocess.run([sys.executable, "-c", "import qeltex; qeltex.Texture.empty(1, 1)"],
                         env=env, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
