#pragma once

#include "TempFolder.h"

#include <clocale>
#include <cstdlib>
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
        setenv("LOCPATH", m_folder.path().c_str(), 1);
        m_active = std::setlocale(LC_ALL, "de") != nullptr;
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    // False when the locale could not be made (its sources are not installed) or switched to.
    bool active() const { return m_active; }

private:
    TempFolder m_folder;
    bool m_active = false;
};
