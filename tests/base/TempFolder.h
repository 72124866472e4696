#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh folder under the system temp folder, removed with its contents at the end of the test.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "heron-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing slash; empty when it could not be made.
    const std::filesystem::path& path() const { return m_path; }
    // The path of name (which may hold '/'-separated folders) inside the folder.
    std::string file(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
