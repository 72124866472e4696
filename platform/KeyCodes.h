#pragma once

namespace plat
{

// Toolkit key codes of the special keys (key events carry them besides characters).
namespace keys
{
constexpr int backspace = 8;
constexpr int tab = 9;
constexpr int enter = 13;
constexpr int escape = 27;
constexpr int left = 256;
constexpr int right = 257;
constexpr int up = 258;
constexpr int down = 259;
constexpr int insert = 260;
constexpr int deleteKey = 261;
constexpr int home = 262;
constexpr int end = 263;
constexpr int pageUp = 264;
constexpr int pageDown = 265;
constexpr int f1 = 266;
constexpr int f10 = 275;
constexpr int f12 = 277;
// Held-state codes; never carried by events.
constexpr int leftShift = 278;
constexpr int rightShift = 279;
constexpr int leftControl = 280;
constexpr int rightControl = 281;
// Alt pressed and released with no other key between.
constexpr int altAlone = -1;
}

}
