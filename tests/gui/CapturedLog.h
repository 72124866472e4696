#pragma once

#include "base/Debug.h"

#include <cstdio>
#include <string>

// Sends heron::debug output to a temporary file for the lifetime of the object.
class CapturedLog
{
public:
    CapturedLog() : m_file(std::tmpfile()) { heron::setDebugLogFile(m_file); }
    ~CapturedLog()
    {
        heron::setDebugLogFile(nullptr);
        std::fclose(m_file);
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // Everything logged so far.
    std::string text() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string all;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) {
            all.append(buffer, n);
        }
        std::fseek(m_file, 0, SEEK_END);
        return all;
    }

    // How often the text occurs in the log.
    int count(const std::string& needle) const
    {
        const std::string all = text();
        int n = 0;
        for (std::size_t at = all.find(needle); at != std::string::npos; at = all.find(needle, at + 1)) {
            ++n;
        }
        return n;
    }

private:
    std::FILE* m_file;
};
