"""Every failure raises the documented exception, naming the operation and its arguments."""
import os
import subprocess
import sys

import numpy as np
import pytest

import qeltex


def small():
    return qeltex.Texture.from_numpy(np.zeros((4, 4, 4), np.uint8))


def test_released_texture_refuses_everything(tmp_path):
    with pytest.raises(qeltex.TextureReleasedError):
        qeltex.Texture(None)
    t = small()
    with t:
        pass
    assert t.closed and "released" in repr(t)
    t.close()  # closing twice is harmless
    calls = {"data": lambda: t.data(), "info": lambda: t.info,
             "save": lambda: t.save(tmp_path / "x.qel"), "resize": lambda: t.resize(2, 2),
             "transcode": lambda: t.transcode("ETC1"), "handle": lambda: t.handle}
    for name, call in calls.items():
        with pytest.raises(qeltex.TextureReleasedError) as error:
            call()
        assert "released" in str(error.value), name
    assert not os.path.exists(tmp_path / "x.qel")


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
                     lambda: t.resize(2, 2, filter="bilinear"),
                     lambda: t.transcode("r8g8b8a8", colour_space="p3")):
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
        with pytest.raises(qeltex.OperationError):
            t.data(level=3)
    with pytest.raises(qeltex.OperationError, match="exactly 64 bytes"):
        qeltex.Texture.from_bytes(bytes(63), 4, 4)
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
