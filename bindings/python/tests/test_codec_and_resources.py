"""A real photograph through a block encoder and back, and handles that do not leak."""
import numpy as np

import qeltex


def test_photo_through_etc2(testdata, read_png):
    image = read_png(sorted(testdata.glob("*.png"))[0])
    height, width = (min(image.shape[0], 256) // 4) * 4, (min(image.shape[1], 256) // 4) * 4
    image = np.ascontiguousarray(image[:height, :width])
    image[..., 3] = 255
    with qeltex.Texture.from_numpy(image) as t:
        t.transcode("ETC2_RGBA", quality=qeltex.ETCQuality.FAST)
        assert t.data_size() == height * width  # one byte per pixel
        decoded = t.transcode("r8g8b8a8").to_numpy()
    error = np.mean((decoded[..., :3].astype(np.float64) - image[..., :3]) ** 2)
    quality = 10 * np.log10(255.0 ** 2 / error)
    assert quality > 30.0, f"ETC2 PSNR {quality:.2f} dB"


def resident_bytes() -> int:
    with open("/proc/self/statm") as stream:
        return int(stream.read().split()[1]) * 4096


def test_no_handle_leaks_over_ten_thousand_cycles():
    pixels = np.zeros((64, 64, 4), np.uint8)  # 16 KiB: 10,000 leaked copies would be 160 MiB
    for _ in range(500):
        qeltex.Texture.from_numpy(pixels).close()
    before = resident_bytes()
    for i in range(10_000):
        if i % 2:
            with qeltex.Texture.from_numpy(pixels) as t:
                t.data_size()
        else:
            qeltex.Texture.from_numpy(pixels)  # released by garbage collection
    growth = resident_bytes() - before
    assert growth < 8 * 1024 * 1024, f"resident memory grew by {growth} bytes"
