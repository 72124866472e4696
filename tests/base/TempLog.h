#pragma once

#include "TempFolder.h"
#include "base/Debug.h"

#include <gtest/gtest.h>

#include <cstdio>
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
        : m_file(std::fopen(path().c_str(), "w"))
    {
        EXPECT_NE(m_file, nullptr) << "cannot make a log file in a temp folder";
        heron::setDebugLogFile(m_file);
    }

    ~TempLog()
    {
        heron::setDebugLogFile(nullptr);
        if (m_file) {
            std::fclose(m_file);
        }
    }

    TempLog(const TempLog&) = delete;
    TempLog& operator=(const TempLog&) = delete;

    const std::filesystem::path& folder() const { return m_folder.path(); }
    std::filesystem::path path() const { return m_folder.path() / "game.log"; }

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
    TempFolder m_folder;
    std::FILE* const m_file;
};
