#pragma once

#include "base/heron_string.h"
#include "net/Packets.h"

#include <cstdint>
#include <optional>
#include <string>

// How players' names read and head their lines. A chat line travels as "[name] " and what its
// player typed, the name in the player's colour; the server passes a line on only in its sender's
// own form, and makes its head again from the name the server knows the sender by. A Maestro
// announcement travels as "%%name is the Maestro!", all white, and only from the server.

// A name as players tell names apart on screen: the console's font draws every byte outside
// printable ASCII as a space, so such bytes count as spaces; spaces at either end are left out,
// each run of them inside counts as one, and letters count in lower case.
std::string comparableName(const heron_string& name);
bool isSameName(const heron_string& a, const heron_string& b);
// True for a name that reads as nothing at all: a player who never set one.
bool isBlankName(const heron_string& name);
// Why the server cannot take name, in the words the player is shown; null when it can. A name that
// holds a bracket could make a line read as if another player, or the server, had said it.
const char* flawOfName(const heron_string& name);

// The line player name (in its colour) says with typed (in white).
ColouredText chatLine(const heron_string& name, std::uint32_t colour, const heron_string& typed);
// Where the typed text of line begins when line is in name's own form; none otherwise.
std::optional<std::uint32_t> typedStart(const heron_string& line, const heron_string& name);
// The same line under another name: the typed text and its colours kept, the head made anew.
ColouredText underName(const ColouredText& line, std::uint32_t typedAt, const heron_string& name, std::uint32_t colour);
// The announcement that name filled the pen.
ColouredText maestroLine(const heron_string& name);
// The server's line that tells a player who gave no name the name the others see it under, and
// that name (in the form names travel in) from such a line; none from any other line.
ColouredText playsAsLine(const heron_string& name);
std::optional<heron_string> nameToldIn(const heron_string& line);
