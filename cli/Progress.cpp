#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace qeltex_cli {

Progress::Progress(bool quiet) : m_enabled(!quiet && isatty(2)), m_start(std::chrono::steady_clock::now()) {}

void Progress::stage(const std::string& what) {
    if (m_enabled) std::fprintf(stderr, "[%8.1f ms] %s\n", elapsedMs(), what.c_str());
}

double Progress::elapsedMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
}

}  // namespace qeltex_cli
