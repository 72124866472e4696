#include "game/OverlayConsole.h"

#include "base/Debug.h"
#include "base/counted_ptr.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "net/NetworkSettings.h"
#include "net/PlayerNames.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/glFont.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/TextInput.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace
{

using kestrel::Event;
namespace keycodes = kestrel::keycodes;

// Opening or closing the panel takes this long.
constexpr double fadeSeconds = 0.6;
// A line stays opaque this long after it came while the panel is closed, then fades out by the
// time it is twice as old.
constexpr double lineShowSeconds = 2.0;
constexpr double lineGoneSeconds = 4.0;
// The typed line, its caret and its prompt take this colour once the line holds all the
// characters the editor takes, so that the player sees why further keys add nothing.
constexpr std::uint32_t fullLineColour = 0xFFB040;
constexpr std::uint32_t editorCommandId = 1;
// Text keeps this far from the window's left and right edges.
constexpr int textInset = 8;
constexpr int enterCode = 1;

// 0xRRGGBB with an alpha to the GL layer's 0xAABBGGRR.
std::uint32_t glColour(std::uint32_t rgb, std::uint32_t alpha)
{
    return (alpha << 24) | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// Colours that do not give every character one are dropped: the line shows in white.
std::vector<std::uint32_t> checkedColours(const heron_string& text, const std::vector<std::uint32_t>& colours)
{
    if (colours.empty() || colours.size() == text.length()) {
        return colours;
    }
    heron::debug("OverlayConsole - %u colours for a line of %u characters, shown in white\n",
                 static_cast<unsigned>(colours.size()), static_cast<unsigned>(text.length()));
    return {};
}

// The width of the characters from..to of text.
int widthOf(const heron_string& text, std::uint32_t from, std::uint32_t to, const kestrel::Font& font)
{
    int width = 0;
    for (std::uint32_t i = from; i < to; ++i) {
        width += font.charWidth(text[i]);
    }
    return width;
}

// Where each row of a line starts when it is wrapped to width pixels: at the word that would run
// past the width, or inside a word longer than a whole row. At least one row, one character a row
// at least.
std::vector<std::uint32_t> consoleRowStarts(const heron_string& text, int width, const kestrel::Font& font)
{
    std::vector<std::uint32_t> starts{0};
    std::optional<std::uint32_t> wordStart;
    int used = 0;
    for (std::uint32_t i = 0; i < text.length(); ++i) {
        const int advance = font.charWidth(text[i]);
        if (used + advance > width && i > starts.back()) {
            const std::uint32_t cut = wordStart && *wordStart > starts.back() ? *wordStart : i;
            starts.push_back(cut);
            used = widthOf(text, cut, i, font);
            wordStart.reset();
        }
        used += advance;
        if (text[i] == ' ') {
            wordStart = i + 1;
        }
    }
    return starts;
}

// The ring counter holds exactly size entries: objects beyond it are taken out, empty entries
// make up a shortfall. A world without a ring counter is left as it is.
void setRingCount(std::size_t size)
{
    Look* const world = currentLook();
    Counter* const rings = world != nullptr ? world->ringCounter() : nullptr;
    if (rings == nullptr) {
        return;
    }
    while (rings->count() > size) {
        rings->removeLast();
    }
    rings->collected.resize(size, nullptr);
}

}

// The text entry of the console; only its destructor differs from a plain entry.
class TextEditor : public kestrel::TextInput
{
};

class OverlayConsoleInternals : public kestrel::MessageDest
{
public:
    OverlayConsoleInternals() : editor(new TextEditor)
    {
        editor->setMaxLength(OverlayConsole::maxTypedLength);
        editor->setActionListener(this, editorCommandId);
        editor->setVisible(false);
    }

    void handleMessage(const kestrel::ComponentMessage& message) override
    {
        if (message.id == editorCommandId && message.argument == enterCode) {
            receive();
        }
    }

    void addLine(const heron_string& text, const std::vector<std::uint32_t>& colours)
    {
        std::rotate(lines.begin(), lines.begin() + 1, lines.end());
        lines.back() = ConsoleLine{text, checkedColours(text, colours), heron::getTime()};
    }

    bool typing() const { return editor->isVisible(); }
    void endTyping()
    {
        editor->setText("");
        editor->setVisible(false);
    }

    bool handleKey(Event& event);
    bool draw(const kestrel::ImageBody& target);

    bool open = false;
    float fade = 0.0f;
    double lastDraw = 0.0;
    std::array<ConsoleLine, OverlayConsole::lineCount> lines;
    heron::counted_ptr<TextEditor> editor;
    int panelHeight = 100;

private:
    void receive();
    bool runCommand(const heron_string& word);
    void updateFade();
    int drawTyped(const kestrel::ImageBody& target, int y, std::uint32_t colour, int lineHeight);
    bool drawHistory(const kestrel::ImageBody& target, int y, int count, std::uint32_t textAlpha, int lineHeight);
    // Draws a line in as many rows as it needs across the target, at most rowsLeft; the rows drawn.
    int drawLine(const kestrel::ImageBody& target, const ConsoleLine& line, std::uint32_t alpha, int y, int rowsLeft,
                 int lineHeight);
    void drawPlayers(const kestrel::ImageBody& target, const std::vector<ColouredText>& players, int y, std::uint32_t alpha);
};

namespace
{

std::unique_ptr<OverlayConsoleInternals>& consoleSlot()
{
    static std::unique_ptr<OverlayConsoleInternals> console;
    return console;
}

OverlayConsoleInternals& console()
{
    std::unique_ptr<OverlayConsoleInternals>& slot = consoleSlot();
    if (!slot) {
        slot = std::make_unique<OverlayConsoleInternals>();
    }
    return *slot;
}

}

bool OverlayConsoleInternals::handleKey(Event& event)
{
    if (event.key == keycodes::tab) {
        open = !open;
        lastDraw = heron::getTime();
        return true;
    }
    if (!typing()) {
        if (event.key != 'm') {
            return false;
        }
        editor->setVisible(true);
        if (!open) {
            open = true;
            fade = 0.0f;
        }
        return true;
    }
    // While typing every key belongs to the console, even with the panel closed.
    if (!open) {
        return true;
    }
    if (event.key != keycodes::escape) {
        editor->handleKey(event);
    } else if (!editor->getText().empty()) {
        editor->setText("");
    } else {
        editor->setVisible(false);
    }
    return true;
}

void OverlayConsoleInternals::receive()
{
    const heron_string typed = editor->getText();
    if (typed.length() > 1 && typed[0] == '=' && runCommand(typed.substr(1))) {
        endTyping();
        return;
    }
    Look* const world = currentLook();
    const PlayerIdentity self =
        world != nullptr ? world->network().identity() : PlayerIdentity{NetworkSettings::userName, NetworkSettings::userColor};
    // The name as it travels: the server passes on only lines that begin with their sender's name.
    const ColouredText line = chatLine(netName(self.name), self.colour, typed);
    // Shown here under the name the others see, which the server made for a player who gave none.
    const ColouredText shown = world != nullptr ? chatLine(world->network().shownName(), self.colour, typed) : line;
    addLine(shown.text, shown.colours);
    if (world != nullptr) {
        world->network().broadcastMessage(line);
    }
    endTyping();
}

bool OverlayConsoleInternals::runCommand(const heron_string& word)
{
    if (word == "fidget") {
        Look::collectAll = !Look::collectAll;
    } else if (word == "ruk4") {
        setRingCount(6);
    } else if (word == "ruk5") {
        setRingCount(8);
    } else if (word == "floatr3") {
        if (Look* const world = currentLook()) {
            world->logic().arrangePen();
        }
    } else {
        return false;
    }
    return true;
}

void OverlayConsoleInternals::updateFade()
{
    const double now = heron::getTime();
    const float step = static_cast<float>((now - lastDraw) / fadeSeconds);
    lastDraw = now;
    fade = open ? std::min(1.0f, fade + step) : std::max(0.0f, fade - step);
}

bool OverlayConsoleInternals::draw(const kestrel::ImageBody& target)
{
    updateFade();
    if (fade <= 0.0f) {
        return false;
    }
    kestrel::glFont& font = kestrel::glFont::standard();
    const int h = font.height();
    panelHeight = 10 * h + 24;
    kestrel::GLclient::setPixelProjection(target);
    kestrel::disableState(kestrel::GLStateId::Lighting);
    kestrel::disableState(kestrel::GLStateId::Fog);
    kestrel::disableState(kestrel::GLStateId::Texture2D);
    kestrel::enableState(kestrel::GLStateId::Blending);
    kestrel::setBlendFunc(kestrel::BlendFactor::SourceAlpha, kestrel::BlendFactor::OneMinusSourceAlpha);
    const int top = target.height();
    const int bottom = top - panelHeight;
    kestrel::color4ub(glColour(0, static_cast<std::uint32_t>(fade * 96.0f)));
    kestrel::beginPrimitive(kestrel::Primitive::Quads);
    kestrel::vertex3f(0.0f, static_cast<float>(bottom), 0.0f);
    kestrel::vertex3f(static_cast<float>(target.width()), static_cast<float>(bottom), 0.0f);
    kestrel::vertex3f(static_cast<float>(target.width()), static_cast<float>(top), 0.0f);
    kestrel::vertex3f(0.0f, static_cast<float>(top), 0.0f);
    kestrel::endPrimitive();

    const std::uint32_t alpha = static_cast<std::uint32_t>(fade * 255.0f);
    const std::uint32_t textColour = glColour(white, alpha);
    int y = bottom + 8;
    int count = static_cast<int>(OverlayConsole::lineCount);
    if (typing()) {
        y = drawTyped(target, y, textColour, h);
        --count;
    }
    const bool busy = drawHistory(target, y, count, alpha, h);
    Look* const world = currentLook();
    const ConnectionState state = world != nullptr ? world->network().state() : ConnectionState();
    font.drawText(target, textInset, y + count * h + 8 + h, connectionStatus(state).c_str(), textColour);
    if (world != nullptr) {
        drawPlayers(target, world->network().playersList(), y + count * h + 8, alpha);
    }
    kestrel::disableState(kestrel::GLStateId::Blending);
    return busy || (fade > 0.0f && fade < 1.0f);
}

int OverlayConsoleInternals::drawTyped(const kestrel::ImageBody& target, int y, std::uint32_t colour, int lineHeight)
{
    kestrel::glFont& font = kestrel::glFont::standard();
    const heron_string& typed = editor->getText();
    if (typed.length() >= static_cast<std::uint32_t>(OverlayConsole::maxTypedLength)) {
        colour = glColour(fullLineColour, colour >> 24);
    }
    font.drawText(target, textInset, y, typed.c_str(), colour);
    const std::uint32_t caret = std::min<std::uint32_t>(static_cast<std::uint32_t>(editor->caretPosition()), typed.length());
    const int x = textInset + font.textWidthOf(typed.substr(0, caret));
    const char under = caret < typed.length() ? typed[caret] : ' ';
    const int width = std::max(1, font.charWidth(under));
    kestrel::color4ub(colour);
    kestrel::beginPrimitive(kestrel::Primitive::Quads);
    kestrel::vertex3f(static_cast<float>(x), static_cast<float>(y), 0.0f);
    kestrel::vertex3f(static_cast<float>(x + width), static_cast<float>(y), 0.0f);
    kestrel::vertex3f(static_cast<float>(x + width), static_cast<float>(y + lineHeight), 0.0f);
    kestrel::vertex3f(static_cast<float>(x), static_cast<float>(y + lineHeight), 0.0f);
    kestrel::endPrimitive();
    const char shown[2] = {under, '\0'};
    font.drawText(target, x, y, shown, glColour(0, 0xFF));
    font.drawText(target, textInset - font.charWidth('>'), y, ">", colour);
    return y + lineHeight;
}

void OverlayConsoleInternals::drawPlayers(const kestrel::ImageBody& target, const std::vector<ColouredText>& players,
                                          int y, std::uint32_t alpha)
{
    kestrel::glFont& font = kestrel::glFont::standard();
    // The list takes the row between the history and the status line, from the left: the heading,
    // then each player's entry (which starts with blanks) after the one before.
    int x = textInset;
    for (const ColouredText& player : players) {
        std::vector<std::uint32_t> colours(player.text.length(), glColour(white, alpha));
        for (std::size_t i = 0; i < std::min(colours.size(), player.colours.size()); ++i) {
            colours[i] = glColour(player.colours[i], alpha);
        }
        x += font.drawTextColoured(target, x, y, player.text.c_str(), colours.data());
    }
}

bool OverlayConsoleInternals::drawHistory(const kestrel::ImageBody& target, int y, int count, std::uint32_t textAlpha,
                                          int lineHeight)
{
    const double now = heron::getTime();
    bool busy = false;
    int row = 0;
    for (int i = 0; i < count; ++i) {
        ConsoleLine& line = lines[lines.size() - 1 - static_cast<std::size_t>(i)];
        const double age = now - line.time;
        busy = busy || age < lineGoneSeconds;
        std::uint32_t alpha = textAlpha;
        if (alpha != 0) {
            // Seen on the open panel: the line will not show again once the panel closes.
            line.time = -100.0;
        } else if (age < lineShowSeconds) {
            alpha = 0xFF;
        } else if (age < lineGoneSeconds) {
            alpha = static_cast<std::uint32_t>((lineGoneSeconds - age) * 0.5 * 255.0);
        } else {
            ++row;
            continue;
        }
        row += drawLine(target, line, alpha, y + row * lineHeight, count - row, lineHeight);
    }
    return busy;
}

int OverlayConsoleInternals::drawLine(const kestrel::ImageBody& target, const ConsoleLine& line, std::uint32_t alpha, int y,
                                      int rowsLeft, int lineHeight)
{
    kestrel::glFont& font = kestrel::glFont::standard();
    const std::vector<std::uint32_t> starts = consoleRowStarts(line.text, target.width() - 2 * textInset, font);
    std::vector<std::uint32_t> colours(line.colours.size());
    std::transform(line.colours.begin(), line.colours.end(), colours.begin(),
                   [alpha](std::uint32_t rgb) { return glColour(rgb, alpha); });
    // The line's last row at y, its earlier rows above, as many as the panel has left.
    int rows = 0;
    for (std::size_t piece = starts.size(); piece-- > 0 && rows < rowsLeft; ++rows) {
        const std::uint32_t from = starts[piece];
        const std::uint32_t to = piece + 1 < starts.size() ? starts[piece + 1] : line.text.length();
        const heron_string text = line.text.substr(from, to - from);
        const int rowY = y + rows * lineHeight;
        if (colours.empty()) {
            font.drawText(target, textInset, rowY, text.c_str(), glColour(white, alpha));
        } else {
            font.drawTextColoured(target, textInset, rowY, text.c_str(), colours.data() + from);
        }
    }
    return rows;
}

void OverlayConsole::showMessage(const heron_string& text, const std::vector<std::uint32_t>& colours)
{
    showMessage(currentLook(), text, colours);
}

bool OverlayConsole::isFlash(const heron_string& text)
{
    return text.length() >= 2 && text[0] == '%' && text[1] == '%';
}

void OverlayConsole::showMessage(Look* world, const heron_string& text, const std::vector<std::uint32_t>& colours)
{
    if (isFlash(text)) {
        if (world != nullptr) {
            world->setFlash(text, 20.0);
        }
        return;
    }
    console().addLine(text, colours);
}

bool OverlayConsole::handleKey(Event& event)
{
    return console().handleKey(event);
}

bool OverlayConsole::draw(const kestrel::ImageBody& target)
{
    return console().draw(target);
}

bool OverlayConsole::isOpen()
{
    return console().open;
}

void OverlayConsole::open()
{
    OverlayConsoleInternals& internals = console();
    if (!internals.open) {
        internals.open = true;
        internals.lastDraw = heron::getTime();
    }
}

bool OverlayConsole::isTyping()
{
    return console().typing();
}

heron_string OverlayConsole::typedText()
{
    return console().editor->getText();
}

const ConsoleLine& OverlayConsole::line(std::size_t age)
{
    const auto& lines = console().lines;
    return lines[lines.size() - 1 - std::min(age, lines.size() - 1)];
}

void OverlayConsole::reset()
{
    consoleSlot().reset();
}
