#pragma once
// Which vector code the ETC encoders run: the best the processor offers, or the
// baseline only (SSE2 on x86-64), which tests use to show both give the same bytes.
namespace qeltexture {

enum class ETCVectorLevel { Best, Baseline };

// True when AVX2 code may run at this level (the processor is asked once).
bool etcUseAVX2(ETCVectorLevel level);

}  // namespace qeltexture
