#include "FakeDesktop.h"

#include "gui/Action.h"
#include "gui/ComponentGroup.h"
#include "gui/Graphics.h"
#include "gui/GuiColor.h"

#include <string>
#include <vector>

namespace
{

using kestrel::Component;
using kestrel::Container;
using kestrel::Rect;
using testing_gui::FakeDesktop;

// A component that fills its bounds with one palette colour.
class Swatch : public Component
{
public:
    explicit Swatch(kestrel::GuiColor::gui_color colour) : colour(colour) {}
    void draw(kestrel::Graphics& graphics) override
    {
        ++draws;
        graphics.setColor(colour);
        graphics.fillRect(bounds);
    }
    kestrel::GuiColor::gui_color colour;
    int draws = 0;
};

std::uint32_t pixelOf(kestrel::GuiColor::gui_color colour)
{
    return kestrel::packedToPixel(kestrel::GuiColor::toSystemColour(colour));
}

class ComponentTree : public FakeDesktop
{
};

TEST(ComponentText, MnemonicMarksAreParsedOnlyWhenAsked)
{
    const struct
    {
        const char* given;
        bool mnemonic;
        const char* text;
        char mark;
    } table[] = {
        {"!File", true, "File", 'F'},     {"Save !as...", true, "Save as...", 'a'},
        {"Yes!!", true, "Yes!", 0},       {"!A!B", true, "AB", 'A'},
        {"!File", false, "!File", 0},     {"Trailing!", true, "Trailing", 0},
    };
    for (const auto& row : table) {
        Component component;
        component.setText(row.given, row.mnemonic);
        EXPECT_STREQ(component.getText().c_str(), row.text) << row.given;
        EXPECT_EQ(component.mnemonic(), row.mark) << row.given;
    }
}

TEST(ComponentText, ANewLabelWithMarksReplacesTheOldMnemonicAndPlainTextKeepsIt)
{
    Component component;
    component.setText("!File", true);
    component.setText("Save !as...", true);
    EXPECT_EQ(component.mnemonic(), 'a');
    component.setText("!Open", false);
    EXPECT_EQ(component.mnemonic(), 'a');
    component.setText("Close", true);
    EXPECT_EQ(component.mnemonic(), 0);
}

TEST_F(ComponentTree, ASingleChildContainerGetsTheBoundsLessTheInsets)
{
    Container outer;
    auto* inner = new Container;
    outer.add(inner);
    outer.setInsets(5, 6, 7, 8);
    outer.setBounds(10, 20, 100, 80);
    outer.doLayout();
    EXPECT_EQ(inner->getBounds(), (Rect{15, 26, 100 - 12, 80 - 14}));
    int width = 0;
    int height = 0;
    inner->setInsets(0, 0, 0, 0);
    outer.getPreferredSize(width, height);
    int innerWidth = 0;
    int innerHeight = 0;
    inner->getPreferredSize(innerWidth, innerHeight);
    EXPECT_EQ(width, innerWidth + 12);
    EXPECT_EQ(height, innerHeight + 14);
}

TEST_F(ComponentTree, AnEmptyContainerMeasuresByTheRowAndPlainComponentsAreFourByFour)
{
    Container empty;
    int width = -1;
    int height = -1;
    empty.getPreferredSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    Component plain;
    plain.getPreferredSize(width, height);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 4);
    Container row;
    row.add(new Component);
    row.add(new Component);
    row.getPreferredSize(width, height);
    EXPECT_EQ(width, 4 + 4 + 4);
    EXPECT_EQ(height, 4);
}

TEST_F(ComponentTree, ALockedContainerTakesNoChildren)
{
    Container container;
    container.lock();
    heron::counted_ptr<Component> child(new Component);
    EXPECT_EQ(container.add(child), child.get());
    EXPECT_TRUE(container.getChildren().empty());
    EXPECT_EQ(child.refCount(), 1);
}

TEST_F(ComponentTree, ChildrenAddedToAWindowedContainerLearnTheirWindowAndGroup)
{
    kestrel::Window window;
    auto* panel = new Container;
    auto* leaf = new Component;
    panel->add(leaf);
    kestrel::ComponentGroup group;
    window.setAddGroup(&group);
    window.add(panel);
    EXPECT_EQ(panel->getWindow(), &window);
    EXPECT_EQ(leaf->getWindow(), &window);
    EXPECT_EQ(leaf->getParent(), panel);
    group.setVisible(false);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(leaf->isShowing());
}

TEST_F(ComponentTree, HiddenChildrenAreNeitherDrawnNorFound)
{
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* front = new Swatch(kestrel::GuiColor::RED);
    auto* back = new Swatch(kestrel::GuiColor::BLUE);
    window.add(front);
    window.add(back);
    openAndActivate(window, 40, 20);
    front->setBounds(0, 0, 20, 20);
    back->setBounds(0, 0, 40, 20);
    front->setVisible(false);
    front->draws = 0;
    window.paintNow();
    EXPECT_EQ(front->draws, 0);
    EXPECT_EQ(window.componentAt(5, 5), back);
    EXPECT_EQ(fake.pixelAt(window.nativeHandle(), 5, 5), pixelOf(kestrel::GuiColor::BLUE));
}

TEST_F(ComponentTree, APaintedTreeShowsEachComponentAtItsBottomLeftPlace)
{
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* panel = new Container;
    panel->setLayout(new testing_gui::FixedLayout);
    auto* swatch = new Swatch(kestrel::GuiColor::GREEN);
    panel->add(swatch);
    window.add(panel);
    openAndActivate(window, 60, 40);
    panel->setBounds(10, 0, 30, 20);
    swatch->setBounds(0, 0, 50, 10);
    window.paintNow();
    const plat::WindowId id = window.nativeHandle();
    EXPECT_EQ(fake.pixelAt(id, 10, 0), pixelOf(kestrel::GuiColor::GREEN));
    EXPECT_EQ(fake.pixelAt(id, 39, 9), pixelOf(kestrel::GuiColor::GREEN));
    EXPECT_EQ(fake.pixelAt(id, 40, 5), pixelOf(kestrel::GuiColor::BUTTON_FACE));
    EXPECT_EQ(fake.pixelAt(id, 5, 5), pixelOf(kestrel::GuiColor::BUTTON_FACE));
    EXPECT_EQ(fake.pixelAt(id, 15, 10), pixelOf(kestrel::GuiColor::BUTTON_FACE));
}

TEST_F(ComponentTree, RedrawNowPresentsOnlyTheComponentsRectangle)
{
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    auto* swatch = new Swatch(kestrel::GuiColor::RED);
    window.add(swatch);
    openAndActivate(window, 60, 40);
    swatch->setBounds(5, 6, 7, 8);
    fake.presents.clear();
    swatch->redrawNow();
    ASSERT_EQ(fake.presents.size(), 1u);
    const plat::Box area = fake.presents[0].area;
    EXPECT_EQ(area.x, 5);
    EXPECT_EQ(area.y, 6);
    EXPECT_EQ(area.width, 7);
    EXPECT_EQ(area.height, 8);
    EXPECT_EQ(fake.pixelAt(window.nativeHandle(), 11, 13), pixelOf(kestrel::GuiColor::RED));
}

TEST_F(ComponentTree, ADrawThatMovesItsComponentIsReported)
{
    struct Mover : Component
    {
        void draw(kestrel::Graphics&) override { bounds.x += 1; }
    };
    kestrel::Window window;
    window.setLayout(new testing_gui::FixedLayout);
    window.add(new Mover);
    openAndActivate(window, 30, 30);
    ASSERT_FALSE(fake.messageBoxes.empty());
    EXPECT_EQ(fake.messageBoxes[0].caption, "Kestrel API: user error:");
    EXPECT_EQ(fake.messageBoxes[0].text, "You changed the position of a component when you drew it!");
}

TEST_F(ComponentTree, TheMnemonicSearchTakesDirectChildrenFirstThenGoesDeep)
{
    Container root;
    auto* deep = new Container;
    auto* deepButton = new Component;
    deepButton->setText("!Open", true);
    deep->add(deepButton);
    root.add(deep);
    auto* shallow = new Component;
    shallow->setText("!Other", true);
    root.add(shallow);
    EXPECT_EQ(kestrel::findMnemonic(&root, 'o'), shallow);
    EXPECT_EQ(kestrel::findMnemonic(&root, 'x'), nullptr);
    EXPECT_EQ(kestrel::findMnemonic(shallow, 'o'), nullptr);
}

}

namespace
{

class SaveAs : public kestrel::Action
{
public:
    const char* label() override { return "Save !as..."; }
    const char* tooltip() override { return "Save this file under a different name"; }
    int commandId() override { return 0x10000004; }
};

class Recorder : public kestrel::MessageDest
{
public:
    void handleMessage(const kestrel::ComponentMessage& message) override { messages.push_back(message); }
    std::vector<kestrel::ComponentMessage> messages;
};

TEST(ComponentAction, AnActionGivesLabelMnemonicTooltipAndCommandToTheComponent)
{
    SaveAs action;
    Recorder recorder;
    Component component;
    component.setAction(&action, &recorder);
    EXPECT_STREQ(component.getText().c_str(), "Save as...");
    EXPECT_EQ(component.mnemonic(), 'a');
    EXPECT_STREQ(component.getTooltip().c_str(), "Save this file under a different name");
    component.sendMessage(3);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].source, &component);
    EXPECT_EQ(recorder.messages[0].id, 0x10000004u);
    EXPECT_EQ(recorder.messages[0].argument, 3);
    component.setTooltip(nullptr, 5);
    EXPECT_TRUE(component.getTooltip().empty());
    EXPECT_EQ(component.getTooltipKind(), 0u);
}

TEST(ComponentAction, AChildOutlivingItsContainerForgetsIt)
{
    heron::counted_ptr<Component> child(new Component);
    {
        heron::counted_ptr<Container> parent(new Container);
        parent->add(child);
        EXPECT_EQ(child->getParent(), parent.get());
    }
    EXPECT_EQ(child->getParent(), nullptr);
}

}
