#pragma once

#include "base/Debug.h"

#include <cstdio>
#include <string>

// Sends the debug log to a temporary file for the lifetime of the object and reads it back.
class LogCapture
{
public:
    LogCapture() : m_file(std::tmpfile()) { heron::setDebugLogFile(m_file); }
    ~LogCapture()
    {
        heron::setDebugLogFile(nullptr);
        std::fclose(m_file);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far.
    std::string text() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string out;
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) {
            out += static_cast<char>(c);
        }
        return out;
    }

    // How often the text occurs in the log.
    int count(const std::string& needle) const
    {
        const std::string all = text();
        int n = 0;
        for (auto at = all.find(needle); at != std::string::npos; at = all.find(needle, at + 1)) {
            ++n;
        }
        return n;
    }

private:
    std::FILE* m_file;
};
