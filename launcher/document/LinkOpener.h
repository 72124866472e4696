#pragma once

#include <string>
#include <string_view>

namespace old_document
{

// The address the desktop is asked to open for a link target (Windows-1252 bytes), handed to it
// as one argument and never read by a shell:
// - a web address (http, https, ftp, mailto or file) as it is, with bytes that may not stand in an
//   address (blanks, controls, quotes, characters beyond ASCII as UTF-8) percent-encoded;
// - anything else is a file path, in the system's form or the disk's, relative to the current
//   folder when not absolute, as a percent-encoded file:// URL.
// Empty when the target is not to be opened: empty, holding a NUL, or an address of another kind.
std::string linkUrl(std::string_view target);

// Opens the target's address with the desktop's default handler; a refused target is logged.
void openLink(std::string_view target);

}
