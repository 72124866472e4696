#pragma once

#include "support/TempFolder.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

// Switches the whole process to a German locale (decimal comma, German day and month names) that
// localedef makes under a temp folder, so that no installed locale is needed; "C" again at the end.
class GermanLocale
{
public:
    GermanLocale()
    {
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + (m_folder.path() / "de").string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            return;
        }
        m_localePath.emplace("LOCPATH", m_folder.path().string());
        m_active = std::setlocale(LC_ALL, "de") != nullptr;
    }
    ~GermanLocale() { std::setlocale(LC_ALL, "C"); }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    // False when the locale could not be made (its sources are not installed) or switched to.
    bool active() const { return m_active; }

private:
    TempFolder m_folder;
    std::optional<ScopedEnv> m_localePath;
    bool m_active = false;
};
