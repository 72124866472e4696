#include "launcher/document/LinkOpener.h"

#include "base/Debug.h"
#include "base/FilePath.h"
#include "gui/toolkit/MessageBox.h"
#include "platform/Windows1252.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace old_document
{

namespace
{

constexpr std::array<std::string_view, 5> openedSchemes = {"http", "https", "ftp", "mailto", "file"};

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendEscaped(std::string& out, unsigned char byte)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[byte >> 4];
    out += hex[byte & 15];
}

// The scheme of an address in lower case ("http" of "http://host"); empty when there is none.
// One letter before the colon is a drive ("c:\docs"), not a scheme.
std::string schemeOf(std::string_view target)
{
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2 || !isAsciiLetter(target[0])) {
        return std::string();
    }
    std::string scheme;
    for (const char c : target.substr(0, colon)) {
        if (!isAsciiLetter(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') {
            return std::string();
        }
        scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return scheme;
}

// Escapes that are already there stay; a lone '%' is escaped itself.
std::string webUrl(std::string_view target)
{
    const std::string utf8 = plat::windows1252ToUtf8(target);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const bool escapeMark =
            byte == '%' && i + 2 < utf8.size() && isHexDigit(utf8[i + 1]) && isHexDigit(utf8[i + 2]);
        if (escapeMark || (byte > 0x20 && byte < 0x7F && std::strchr("\"%<>\\^`{|}", byte) == nullptr)) {
            out += static_cast<char>(byte);
        } else {
            appendEscaped(out, byte);
        }
    }
    return out;
}

// The path's bytes are the disk's; only unreserved characters and '/' stand as they are.
std::string fileUrl(std::string_view target)
{
    std::filesystem::path path(heron::diskPath(std::string(target).c_str()).c_str());
    if (path.is_relative()) {
        std::error_code failure;
        const std::filesystem::path here = std::filesystem::current_path(failure);
        if (failure) {
            return std::string();
        }
        path = here / path;
    }
    std::string out = "file://";
    for (const char c : path.lexically_normal().string()) {
        const bool plain = isAsciiLetter(c) || isDigit(c) || std::strchr("-._~/", c) != nullptr;
        if (plain && c != '\0') {
            out += c;
        } else {
            appendEscaped(out, static_cast<unsigned char>(c));
        }
    }
    return out;
}

}

std::string linkUrl(std::string_view target)
{
    if (target.empty() || target.find('\0') != std::string_view::npos) {
        return std::string();
    }
    const std::string scheme = schemeOf(target);
    if (scheme.empty()) {
        return fileUrl(target);
    }
    const bool opened = std::find(openedSchemes.begin(), openedSchemes.end(), scheme) != openedSchemes.end();
    return opened ? webUrl(target) : std::string();
}

void openLink(std::string_view target)
{
    const std::string url = linkUrl(target);
    if (url.empty()) {
        heron::debug("OldDocument - link \"%.*s\" not opened\n", static_cast<int>(target.size()), target.data());
        return;
    }
    kestrel::shellOpen(url.c_str());
}

}
