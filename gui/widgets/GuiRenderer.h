#pragma once

#include "gui/paint/GuiColor.h"
#include "gui/paint/Rect.h"

#include <memory>

namespace kestrel
{

class Component;
class Graphics;
class GuiRendererInternals;
class Image;

// The parts a widget asks the renderer to measure and paint.
namespace part
{
constexpr int pushButton = 1;
constexpr int checkBox = 2;
constexpr int radioButton = 3;
constexpr int textField = 10;
constexpr int plainFace = 20;
constexpr int toolButton = 21;
constexpr int bar = 30;
constexpr int textMenuItem = 31;
constexpr int imageMenuItem = 32;
constexpr int menuBackground = 34;
constexpr int scrollTrack = 40;
constexpr int scrollArrow = 41;
constexpr int scrollThumb = 42;
constexpr int sunkenField = 50;
constexpr int dropDownButton = 51;
constexpr int raisedPanel = 60;
constexpr int tab = 61;
constexpr int sliderTrack = 70;
constexpr int sliderThumb = 71;
constexpr int groupBox = 80;
}

// Bits of the state word handed over with a part. Hot and pressed are values of the low byte.
namespace partState
{
constexpr int hot = 1;
constexpr int pressed = 2;
constexpr int disabled = 0x4;
constexpr int on = 0x100;              // checked, selected tab, focused button or slider
constexpr int defaultButton = 0x200;
constexpr int arrowUp = 0x10000;
constexpr int arrowDown = 0x20000;
// 0x40800, not 0x40000: a left scroll arrow's state word is its scroll code, which listeners match exactly.
constexpr int arrowLeft = 0x40800;
constexpr int arrowRight = 0x80000;
constexpr int vertical = 0x100000;
constexpr int horizontal = 0x200000;
}

// Where a part wants its pieces; -1 for every value the part does not set. Positions are window
// coordinates; labelY is the text baseline.
struct PartMetrics
{
    int preferredWidth = -1;
    int preferredHeight = -1;
    int labelX = -1;
    int labelY = -1;
    int imageX = -1;            // the box of a check or radio box
    int imageY = -1;
    int insetLeft = -1;
    int insetRight = -1;
    int insetTop = -1;
    int insetBottom = -1;
    int extra = -1;             // box size of check and radio boxes, half the font height of a group box
};

// Draws every standard widget in one classic desktop look, only through Graphics. Widgets name
// a part and a state; the renderer measures the part and paints it. Main thread only.
class GuiRenderer
{
public:
    GuiRenderer();
    virtual ~GuiRenderer();
    GuiRenderer(const GuiRenderer&) = delete;
    GuiRenderer& operator=(const GuiRenderer&) = delete;

    // Fills the record for the part in the state; every value -1 for an unknown part.
    virtual void getPartMetrics(PartMetrics& metrics, int part, int state, Component& component);
    // The part's frame and background over the rectangle; nothing for an unknown part.
    virtual void paintPart(Graphics& graphics, int part, int state, const Rect& r);
    // The part's content (label, image, box) at the places its metrics give.
    virtual void paintComponent(Graphics& graphics, int part, int state, Component& component);
    virtual void drawFocus(Graphics& graphics, const Rect& r);
    // How far (pixels) the mouse may leave a scroll bar before a thumb drag is abandoned.
    virtual int dragSnapDistance() { return 50; }
    virtual bool optionFlag() { return true; }
    // The component's label in the colour, underlining the mnemonic; nothing without text.
    virtual void paintLabel(Graphics& graphics, const PartMetrics& metrics, Component& component, GuiColor colour);

    // The renderer in force: the themed one when themes are available, else the classic one.
    static GuiRenderer& current();

    // The 7 x 4 (up, down) or 4 x 7 (left, right) arrow of the state's direction, built once;
    // empty for a state without a direction.
    const Image& arrowImage(int state);
    // Radio image 0..5 of the diameter (unchecked, checked; pressed; disabled), built once per
    // diameter and kept.
    const Image& radioImage(int diameter, int index);

private:
    void paintContent(Graphics& graphics, int part, int state, Component& component, const PartMetrics& metrics);
    // The component's image at the metrics' place, greyed when disabled; nothing when the part
    // places no image.
    void paintImageOf(Graphics& graphics, Component& component, const PartMetrics& metrics);
    // A menu item's arrow telling that it opens a submenu.
    void paintSubmenuArrow(Graphics& graphics, Component& component, const PartMetrics& metrics);
    void paintCheckBox(Graphics& graphics, int state, Component& component, const PartMetrics& metrics);
    void paintRadioButton(Graphics& graphics, int state, Component& component, const PartMetrics& metrics);
    void paintGroupBox(Graphics& graphics, Component& component, const PartMetrics& metrics);
    // The label in component painting: a disabled one in grey over an etched copy.
    void paintEtchedLabel(Graphics& graphics, const PartMetrics& metrics, Component& component, GuiColor colour);

    std::unique_ptr<GuiRendererInternals> m_internals;
};

// Makes components with a renderer part measure and paint themselves through the renderer in
// force, and hovering show tooltips. Every widget calls it when it is made.
void useGuiRenderer();

}
