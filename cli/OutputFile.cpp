#include "OutputFile.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace qeltex_cli {

namespace {
std::atomic<unsigned> g_counter{0};
}

OutputFile::OutputFile(const std::string& finalPath) : m_final(finalPath) {
    size_t slash = finalPath.find_last_of('/');
    size_t dot = finalPath.find_last_of('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string stem = hasExtension ? finalPath.substr(0, dot) : finalPath;
    std::string extension = hasExtension ? finalPath.substr(dot) : std::string();
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
