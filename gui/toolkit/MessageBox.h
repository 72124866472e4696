#pragma once

namespace kestrel
{

// Modal error boxes without an owner window, usable before any window exists and from any point
// of the program. Without a display the text goes to standard error and the log instead.
// Each returns 1 when the box was shown and closed, 0 when it could not be shown.

// The caller's caption; null means "Error:".
int errorBox(const char* text, const char* caption = nullptr);
// Misuse of the toolkit by its caller: caption "Kestrel API: user error:".
int userErrorBox(const char* text);
// Failures the platform should never give: caption "Fatal error:".
int fatalErrorBox(const char* text);

// Opens a file or web address with the desktop's default handler; failures are only logged.
void shellOpen(const char* target);

}
