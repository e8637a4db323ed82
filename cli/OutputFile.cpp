#include "OutputFile.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace qeltex_cli {

namespace {
std::atomic<unsigned> g_counter{0};
}

size_t extensionDot(const std::string& path) {
    size_t dot = path.find_last_of('.'), slash = path.find_last_of('/');
    return (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? dot : std::string::npos;
}

OutputFile::OutputFile(const std::string& finalPath) : m_final(finalPath) {
    size_t dot = extensionDot(finalPath);
    std::string stem = finalPath.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : finalPath.substr(dot);
    m_temp = stem + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(g_counter++) + extension;
}

OutputFile::~OutputFile() {
    if (!m_committed) std::remove(m_temp.c_str());
}

bool OutputFile::commit(std::string& error) {
    if (std::rename(m_temp.c_str(), m_final.c_str()) != 0) {
        error = "cannot write '" + m_final + "'";
        std::remove(m_temp.c_str());
        return false;
    }
    m_committed = true;
    return true;
}

}  // namespace qeltex_cli
