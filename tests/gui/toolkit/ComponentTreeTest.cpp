#include "support/FakeDesktop.h"

#include "gui/paint/BitmapGraphics.h"
#include "gui/toolkit/Action.h"
#include "gui/toolkit/ComponentGroup.h"

#include <vector>

namespace
{

using kestrel::Component;
using kestrel::Container;
using kestrel::GuiColor;
using kestrel::Rect;

using testing_gui::pixelOf;
using testing_gui::Swatch;

class ComponentTree : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.setLayout(new testing_gui::FixedLayout);
    }

    // Adds the child to the parent, whose layout leaves it at the bounds.
    template <class Child>
    Child* place(Container& parent, Child* child, const Rect& r)
    {
        parent.add(child);
        child->setBounds(r.x, r.y, r.width, r.height);
        return child;
    }

    std::uint32_t pixel(int x, int y) { return fake.pixelAt(window.nativeHandle(), x, y); }

    kestrel::Window window;
};

TEST(ComponentText, MnemonicMarksAreParsedOnlyWhenAskedAndANewMarkedLabelBringsItsOwn)
{
    const struct
    {
        const char* given;
        bool mnemonic;
        const char* text;
        char mark;
    } steps[] = {
        {"!File", true, "File", 'F'},   {"Save !as...", true, "Save as...", 'a'}, {"!Open", false, "!Open", 'a'},
        {"Yes!!", true, "Yes!", 0},     {"!A!B", true, "AB", 'A'},                {"!File", false, "!File", 'A'},
        {"Trailing!", true, "Trailing", 0},
    };
    Component component;
    for (const auto& step : steps) {
        component.setText(step.given, step.mnemonic);
        EXPECT_STREQ(component.getText().c_str(), step.text) << step.given;
        EXPECT_EQ(component.mnemonic(), step.mark) << step.given;
    }
}

TEST_F(ComponentTree, TheDefaultLayoutRowsChildrenAndASingleChildContainerFillsItsInsets)
{
    int width = -1;
    int height = -1;
    Container().getPreferredSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(0, 0));
    Container row;
    row.add(new Component);
    row.add(new Component);
    row.getPreferredSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(4 + 4 + 4, 4));

    Container outer;
    auto* inner = new Container;
    outer.add(inner);
    outer.setInsets(5, 6, 7, 8);
    outer.setBounds(10, 20, 100, 80);
    outer.doLayout();
    EXPECT_EQ(inner->getBounds(), (Rect{15, 26, 100 - 12, 80 - 14}));
    inner->setInsets(0, 0, 0, 0);
    outer.getPreferredSize(width, height);
    int innerWidth = 0;
    int innerHeight = 0;
    inner->getPreferredSize(innerWidth, innerHeight);
    EXPECT_EQ(std::pair(width, height), std::pair(innerWidth + 12, innerHeight + 14));
}

TEST_F(ComponentTree, ALockedContainerTakesNoChildrenAndAChildOutlivingItsContainerForgetsIt)
{
    heron::counted_ptr<Component> child(new Component);
    {
        heron::counted_ptr<Container> locked(new Container);
        locked->lock();
        EXPECT_EQ(locked->add(child), child.get());
        EXPECT_TRUE(locked->getChildren().empty());
        EXPECT_EQ(child.refCount(), 1);
        heron::counted_ptr<Container> parent(new Container);
        parent->add(child);
        EXPECT_EQ(child->getParent(), parent.get());
    }
    EXPECT_EQ(child->getParent(), nullptr);
}

TEST_F(ComponentTree, ChildrenAddedToAWindowedContainerLearnTheirWindowAndGroup)
{
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

TEST(ContainerClip, AChildContainerRefusedItsClipAtTheDepthLimitLeavesItsParentsClip)
{
    Container parent;
    Container* const inner = new Container;
    parent.add(inner);
    inner->setBounds(2, 2, 3, 3);
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, Rect{0, 0, 10, 10});
    while (graphics.clipDepth() < kestrel::Graphics::maxClipDepth) {
        graphics.pushClip(Rect{1, 1, 8, 8});
    }
    testing::internal::CaptureStderr();
    parent.draw(graphics);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "kestrel::Graphics - Clip stack overflow!\n");
    EXPECT_EQ(graphics.clipDepth(), kestrel::Graphics::maxClipDepth);
    EXPECT_EQ(graphics.clipRect(), (Rect{1, 1, 8, 8}));
}

TEST_F(ComponentTree, APaintedTreeShowsEachVisibleComponentAtItsBottomLeftPlace)
{
    auto* panel = place(window, new Container, Rect{10, 0, 30, 20});
    panel->setLayout(new testing_gui::FixedLayout);
    auto* green = place(*panel, new Swatch(GuiColor::GREEN), Rect{0, 0, 50, 10});
    auto* hidden = place(window, new Swatch(GuiColor::RED), Rect{0, 0, 60, 40});
    hidden->setVisible(false);
    openAndActivate(window, 60, 40);
    hidden->draws = 0;
    window.paintNow();
    EXPECT_EQ(hidden->draws, 0);
    EXPECT_EQ(window.componentAt(15, 5), green);
    EXPECT_NE(window.componentAt(5, 5), hidden);
    EXPECT_EQ(pixel(10, 0), pixelOf(GuiColor::GREEN));
    EXPECT_EQ(pixel(39, 9), pixelOf(GuiColor::GREEN));
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{40, 5}, {5, 5}, {15, 10}}) {
        EXPECT_EQ(pixel(x, y), pixelOf(GuiColor::BUTTON_FACE)) << x << "," << y;
    }
}

TEST_F(ComponentTree, RedrawNowPresentsOnlyTheComponentsRectangle)
{
    auto* swatch = place(window, new Swatch(GuiColor::RED), Rect{5, 6, 7, 8});
    openAndActivate(window, 60, 40);
    fake.presents.clear();
    swatch->redrawNow();
    ASSERT_EQ(fake.presents.size(), 1u);
    const plat::Box area = fake.presents[0].area;
    EXPECT_EQ((Rect{area.x, area.y, area.width, area.height}), (Rect{5, 6, 7, 8}));
    EXPECT_EQ(pixel(11, 13), pixelOf(GuiColor::RED));
}

TEST_F(ComponentTree, ADrawThatMovesItsComponentIsReported)
{
    struct Mover : Component
    {
        void draw(kestrel::Graphics&) override { bounds.x += 1; }
    };
    place(window, new Mover, Rect{0, 0, 10, 10});
    openAndActivate(window, 30, 30);
    EXPECT_EQ(shownBoxes().at(0), "Kestrel API: user error: You changed the position of a component when you drew it!");
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

class SaveAs : public kestrel::Action
{
public:
    const char* label() override { return "Save !as..."; }
    const char* tooltip() override { return "Save this file under a different name"; }
    int commandId() override { return 0x10000004; }
};

TEST(ComponentAction, AnActionGivesLabelMnemonicTooltipAndCommandToTheComponent)
{
    SaveAs action;
    testing_gui::MessageRecorder recorder;
    Component component;
    component.setAction(&action, &recorder);
    EXPECT_STREQ(component.getText().c_str(), "Save as...");
    EXPECT_EQ(component.mnemonic(), 'a');
    EXPECT_STREQ(component.getTooltip().c_str(), "Save this file under a different name");
    component.sendMessage(3);
    EXPECT_EQ(recorder.messages, (std::vector<testing_gui::MessageRecorder::Sent>{{&component, 0x10000004, 3}}));
}

}
