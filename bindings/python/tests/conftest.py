"""Shared fixtures: the test images folder and a reader for its PNGs."""
import os
from pathlib import Path

import numpy as np
import pytest


@pytest.fixture(scope="session")
def testdata() -> Path:
    folder = Path(os.environ.get("QELTEX_TESTDATA_DIR", ""))
    if not folder.is_dir() or not list(folder.glob("*.png")):
        pytest.skip("no test images (QELTEX_TESTDATA_DIR)")
    return folder


@pytest.fixture(scope="session")
def read_png():
    image_module = pytest.importorskip("PIL.Image", reason="Pillow reads the PNG test images")

    def read(path: Path) -> np.ndarray:
        with image_module.open(path) as image:
            return np.asarray(image.convert("RGBA"), dtype=np.uint8)
    return read


def rgba_ramp(height: int, width: int, seed: int = 0) -> np.ndarray:
    """Distinct bytes in every channel, so swapped axes or channels show."""
    values = (np.arange(height * width * 4, dtype=np.uint32) * 7 + seed * 13) % 251
    return values.astype(np.uint8).reshape(height, width, 4)
