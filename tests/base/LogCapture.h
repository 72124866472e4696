#pragma once

#include "base/Debug.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "aurelle-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Sends heron::debug to a file in a temp folder while it lives; text() reads what was logged.
class LogCapture
{
public:
    LogCapture() : m_file(std::fopen((m_folder.path() + "/test.log").c_str(), "w+"))
    {
        heron::setDebugLogFile(m_file);
    }
    ~LogCapture()
    {
        heron::setDebugLogFile(nullptr);
        std::fclose(m_file);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::string text() const
    {
        std::ifstream in(m_folder.path() + "/test.log", std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    TempFolder m_folder;
    std::FILE* m_file;
};

// Polls the condition until it holds or a generous limit passes (a guard against hangs only).
template <typename Condition>
bool eventually(Condition condition)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Reads a whole file as bytes; empty when it is missing.
inline std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
