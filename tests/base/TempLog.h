#pragma once

#include "base/Debug.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh temporary folder holding a log file that is the debug log for the object's lifetime;
// both go when the object goes.
class TempLog
{
public:
    TempLog()
    {
        const char* const temp = std::getenv("TMPDIR");
        std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/heron-test-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a temp folder";
        }
        m_folder = pattern;
        m_file = std::fopen(path().c_str(), "w");
        heron::setDebugLogFile(m_file);
    }

    ~TempLog()
    {
        heron::setDebugLogFile(nullptr);
        if (m_file) {
            std::fclose(m_file);
        }
        std::filesystem::remove_all(m_folder);
    }

    TempLog(const TempLog&) = delete;
    TempLog& operator=(const TempLog&) = delete;

    const std::filesystem::path& folder() const { return m_folder; }
    std::filesystem::path path() const { return m_folder / "game.log"; }

    // Everything written to the log file so far, read through a file of its own.
    std::string text() const
    {
        std::ifstream in(path(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }

private:
    std::filesystem::path m_folder;
    std::FILE* m_file = nullptr;
};
