#pragma once
// Progress lines on stderr while long work runs, only when stderr is a terminal.
#include <chrono>
#include <string>

namespace qeltex_cli {

class Progress {
public:
    explicit Progress(bool quiet);
    void stage(const std::string& what);  // "stage ... (elapsed)"
    double elapsedMs() const;

private:
    bool m_enabled;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace qeltex_cli
