#include "net/PlayerNames.h"

#include <cctype>

namespace
{

// A byte the console's font draws as a space: its glyphs run from '!' to '~'.
bool readsAsSpace(unsigned char byte)
{
    return byte <= ' ' || byte > '~';
}

const char* const maestroTail = " is the Maestro!";
const char* const playsAsHead = "You play as ";

}

std::string comparableName(const heron_string& name)
{
    std::string comparable;
    bool spaceBefore = false;
    for (std::uint32_t i = 0; i < name.length(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (readsAsSpace(byte)) {
            spaceBefore = true;
            continue;
        }
        if (spaceBefore && !comparable.empty()) {
            comparable += ' ';
        }
        spaceBefore = false;
        comparable += char(std::tolower(byte));
    }
    return comparable;
}

bool isSameName(const heron_string& a, const heron_string& b)
{
    return comparableName(a) == comparableName(b);
}

bool isBlankName(const heron_string& name)
{
    return comparableName(name).empty();
}

const char* flawOfName(const heron_string& name)
{
    for (std::uint32_t i = 0; i < name.length(); ++i) {
        if (name[i] == '[' || name[i] == ']') {
            return "A name cannot hold [ or ]: choose another";
        }
    }
    return nullptr;
}

ColouredText chatLine(const heron_string& name, std::uint32_t colour, const heron_string& typed)
{
    ColouredText line = oneColour("[" + name + "] ", colour);
    line.text += typed;
    line.colours.resize(line.text.length(), white);
    return line;
}

std::optional<std::uint32_t> typedStart(const heron_string& line, const heron_string& name)
{
    const heron_string head = "[" + name + "] ";
    if (line.substr(0, head.length()) != head) {
        return std::nullopt;
    }
    return head.length();
}

ColouredText underName(const ColouredText& line, std::uint32_t typedAt, const heron_string& name, std::uint32_t colour)
{
    ColouredText renamed = chatLine(name, colour, line.text.substr(typedAt));
    if (line.colours.size() == line.text.length()) {
        const std::uint32_t headLength = renamed.text.length() - (line.text.length() - typedAt);
        std::copy(line.colours.begin() + typedAt, line.colours.end(), renamed.colours.begin() + headLength);
    }
    return renamed;
}

ColouredText maestroLine(const heron_string& name)
{
    return oneColour("%%" + name + maestroTail, white);
}

ColouredText playsAsLine(const heron_string& name)
{
    return oneColour(playsAsHead + name, white);
}

std::optional<heron_string> nameToldIn(const heron_string& line)
{
    const heron_string head = playsAsHead;
    if (line.substr(0, head.length()) != head) {
        return std::nullopt;
    }
    return netName(line.substr(head.length()));
}
