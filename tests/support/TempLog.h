#pragma once

#include "support/TempFolder.h"
#include "base/Debug.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

// The debug log captured in a file "game.log" of a fresh temporary folder for the object's
// lifetime; the folder goes with the object. Logging is switched off again at the end.
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

    // Everything logged so far (the log flushes every message).
    std::string text() const { return readWholeFile(path()); }

    bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }

    // How often part occurs in the log, overlapping occurrences included.
    int count(const std::string& part) const
    {
        const std::string all = text();
        int n = 0;
        for (auto at = all.find(part); at != std::string::npos; at = all.find(part, at + 1)) {
            ++n;
        }
        return n;
    }

private:
    TempFolder m_folder;
    std::FILE* const m_file;
};
