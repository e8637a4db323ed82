"""A real photograph through a block encoder and back, and handles that do not leak."""
import numpy as np

import qeltex


def psnr(a: np.ndarray, b: np.ndarray) -> float:
    error = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return float("inf") if error == 0 else 10 * np.log10(255.0 ** 2 / error)


def test_photo_through_etc(testdata, read_png):
    image = read_png(sorted(testdata.glob("*.png"))[0])
    height, width = (min(image.shape[0], 256) // 4) * 4, (min(image.shape[1], 256) // 4) * 4
    image = np.ascontiguousarray(image[:height, :width])
    image[..., 3] = 255
    used = None
    for target in ("ETC2_RGBA", "ETC1"):  # ETC1 when the ETC2 encoder is not available
        with qeltex.Texture.from_numpy(image) as t:
            try:
                t.transcode(target, quality=qeltex.ETCQuality.FAST)
            except qeltex.OperationError:
                continue
            used = target
            assert t.data_size() == height * width * (1 if target == "ETC2_RGBA" else 0.5)
            decoded = t.transcode("r8g8b8a8").to_numpy()
            break
    assert used, "no ETC encoder accepted the image"
    quality = psnr(decoded[..., :3], image[..., :3])
    print(f"{used}: {width}x{height} PSNR {quality:.2f} dB")
    assert quality > 30.0, f"{used} PSNR {quality:.2f} dB"


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
