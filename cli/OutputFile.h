#pragma once
// Output written under a temporary name beside the target and renamed on success, so a
// failed command never leaves a partial or stale-looking file behind.
#include <string>

namespace qeltex_cli {

// Index of the '.' that starts the file name's extension, or npos when the name has none
// (a '.' in a folder name does not count).
size_t extensionDot(const std::string& path);

class OutputFile {
public:
    explicit OutputFile(const std::string& finalPath);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The path to write: same folder and extension as the target.
    const std::string& tempPath() const { return m_temp; }
    // Renames the temporary file onto the target; false (temporary removed) on failure.
    bool commit(std::string& error);

private:
    std::string m_final;
    std::string m_temp;
    bool m_committed = false;
};

}  // namespace qeltex_cli
