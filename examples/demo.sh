#!/usr/bin/env bash
# The library's main job on the built-in sample: encode to several formats and containers
# with a full MIP chain, decode previews back to PNG, and report size, time and PSNR.
set -u
tool=${1:-build/qeltex}
out=${2:-build/demo}
mkdir -p "$out"
"$tool" sample -o "$out/sample.png" || exit 1
echo "sample image: $out/sample.png (256x256 RGBA)"
row() { printf '%-22s %-8s %-5s %10s %9s %10s  %s\n' "$@"; }
echo
row format quality file bytes ms "PSNR dB" preview
row ------ ------- ---- ----- -- ------- -------
status=0
run() {  # format container quality
  local fmt=$1 ext=$2 quality=$3
  local base="$out/sample-$fmt-q$quality"
  local start end summary
  start=$(date +%s%N)
  if ! summary=$("$tool" convert "$out/sample.png" -o "$base.$ext" -f "$fmt" -q "$quality" --mipmaps 2>&1); then
    row "$fmt" "$quality" "$ext" - - - "not available: ${summary#qeltex: error: }"
    return
  fi
  end=$(date +%s%N)
  local bytes psnr
  bytes=$(stat -c %s "$base.$ext")
  # The tool's own summary: RGB, plus alpha when the format keeps it.
  psnr=$(sed -n 's/.*PSNR \([0-9.inf]*\) dB.*/\1/p' <<<"$summary")
  [ -n "$psnr" ] || psnr=inf
  "$tool" decode "$base.$ext" -o "$base-preview.png" >/dev/null || status=1
  row "$fmt" "$quality" "$ext" "$bytes" "$(( (end - start) / 1000000 ))" "$psnr" "$base-preview.png"
}
run r8g8b8a8 qel 0
run r8g8b8a8 ktx 0
run r8g8b8a8 dds 0
run r5g6b5 dds 0
run r4g4b4a4 qel 0
run rgba16f ktx 0
run ETC1 ktx etc-fast
run ETC2_RGB ktx etc-fast
run ETC2_RGBA ktx etc-fast
run ETC2_RGB_A1 ktx etc-fast
run EAC_R11 ktx etc-fast
run QELTCI_4bpp_RGBA qel fast
run QELTCII_4bpp qel fastest
run QELTCI_4bpp_RGBA qel best
run SharedExponentR9G9B9E5 ktx 0
run YUY2 dds 0
run DXT5 dds 0
exit $status
