#include "game/NetworkSettings.h"

heron_string NetworkSettings::userName;
std::uint32_t NetworkSettings::userColor = 0xFFFF00;
