#include <gtest/gtest.h>

#include "kaso/ui/Clipboard.h"
#include "kaso/ui/FocusState.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/TextInput.h"
#include "tests/ui/widgets/TestWidgets.h"

using namespace kaso::ui;
using namespace kaso::ui::testing;
using Field = kaso::ui::widget::TextInput;

namespace {

Modifiers const none {};
Modifiers shift()
{
    Modifiers modifiers;
    modifiers.shift = true;
    return modifiers;
}
Modifiers control()
{
    Modifiers modifiers;
    modifiers.control = true;
    return modifiers;
}

KeyDown key(Key named, std::string text = {})
{
    KeyDown down;
    down.key = named;
    down.text = std::move(text);
    return down;
}

// A 300-wide row holding a box and then the field (x 100..400), over a shared cell.
struct InputFixture {
    explicit InputFixture(TextCellHandle shared, std::optional<std::string> id = std::nullopt, bool reset = true)
        : cell(std::move(shared))
    {
        if (reset)
            FocusState::current().reset();
        build(id);
    }
    void build(std::optional<std::string> id)
    {
        auto root = std::make_unique<Stack>(kaso::layout::FlexDirection::Row);
        root->style.align_items = kaso::layout::AlignItems::Start;
        other = &root->add(Box(100, 30));
        auto made = Field::from_state(cell).with_fill_width(true).with_placeholder("Search");
        if (id)
            made.with_id(*id);
        Stack holder;
        holder.style.size.width = kaso::layout::Dimension::px(300);
        field = &holder.add(std::move(made));
        root->add(std::move(holder));
        driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
        driver->set_viewport(400, 100, 1.0f);
        driver->frame(0);
    }
    void click(double x, Modifiers modifiers = {}) { driver->dispatch(PointerDown { x, 10 }, modifiers); }
    void type(std::string text) { driver->dispatch(TextInput { std::move(text) }, none); }
    void press(Key named, Modifiers modifiers = {}, std::string text = {}) { driver->dispatch(key(named, std::move(text)), modifiers); }

    TextCellHandle cell;
    Box* other { nullptr };
    Field* field { nullptr };
    std::unique_ptr<FrameDriver> driver;
};

// The caret's fill: the narrow rectangle in the theme's text colour.
std::optional<Rect> caret_rect(FrameDriver const& driver)
{
    for (auto const& fill : commands_of<FillRect>(driver.scene()))
        if (fill.color == driver.theme().text && fill.rect.width() < 2)
            return fill.rect;
    return std::nullopt;
}

}

TEST(TextInput, IsNamedTextInputWithoutAnId)
{
    InputFixture fixture(LocalTextCell::create());
    EXPECT_EQ(fixture.field->widget_id(), "text_input");
    InputFixture named(LocalTextCell::create(), "search_input");
    EXPECT_EQ(named.field->widget_id(), "search_input");
}

TEST(TextInput, AClickFocusesItAndTypingPublishesIntoTheCell)
{
    auto cell = LocalTextCell::create();
    InputFixture fixture(cell, "search_input");
    fixture.type("ignored");
    EXPECT_EQ(cell->text(), "") << "an unfocused field takes no text";

    fixture.click(150);
    EXPECT_TRUE(fixture.field->is_focused());
    EXPECT_EQ(FocusState::current().focused_id(), "search_input");
    fixture.type("cats");
    fixture.type(" \xc3\xa9t\xc3\xa9");
    EXPECT_EQ(cell->text(), "cats \xc3\xa9t\xc3\xa9");
    EXPECT_EQ(cell->generation(), 2u);
    fixture.press(Key::Backspace);
    EXPECT_EQ(cell->text(), "cats \xc3\xa9t");

    // Siblings are asked in child order, so a press that the box before the field takes never
    // reaches the field, which keeps the focus.
    fixture.click(50);
    EXPECT_EQ(fixture.other->clicks, 1);
    EXPECT_TRUE(fixture.field->is_focused());
    // A press that reaches it outside its rectangle (below the box) takes the focus away.
    fixture.driver->dispatch(PointerDown { 50, 60 }, none);
    EXPECT_FALSE(fixture.field->is_focused());
    EXPECT_FALSE(FocusState::current().focused_id());
}

TEST(TextInput, TakesUpWhatTheApplicationPublished)
{
    auto cell = LocalTextCell::create("first");
    InputFixture fixture(cell);
    EXPECT_EQ(fixture.field->text(), "first");
    cell->publish("from the application");
    fixture.driver->frame(16);
    EXPECT_EQ(fixture.field->text(), "from the application");
    // An event sees it too, before it edits.
    cell->publish("abc");
    fixture.click(390);
    fixture.type("d");
    EXPECT_EQ(cell->text(), "abcd");
}

TEST(TextInput, LeavesEnterEscapeAndTabToOthers)
{
    InputFixture fixture(LocalTextCell::create("abc"));
    fixture.click(150);
    for (Key named : { Key::Enter, Key::Escape, Key::Tab, Key::ArrowUp }) {
        EventContext context { key(named), none, 1.0f };
        fixture.field->handle_event(context);
        EXPECT_FALSE(context.handled) << int(named);
    }
    EventContext typed { key(Key::Character, "k"), none, 1.0f };
    fixture.field->handle_event(typed);
    EXPECT_TRUE(typed.handled) << "a character key is the field's while it has the focus";
    EventContext shortcut { key(Key::Character, "k"), control(), 1.0f };
    fixture.field->handle_event(shortcut);
    EXPECT_FALSE(shortcut.handled);
    // Alt+Left is the back shortcut: the caret stays.
    Modifiers alt;
    alt.alt = true;
    auto caret = fixture.field->editor().caret();
    EventContext back { key(Key::ArrowLeft), alt, 1.0f };
    fixture.field->handle_event(back);
    EXPECT_FALSE(back.handled);
    EXPECT_EQ(fixture.field->editor().caret(), caret);
}

TEST(TextInput, SelectsWithShiftAndCopiesCutsAndPastesThroughTheClipboard)
{
    auto cell = LocalTextCell::create("hello world");
    InputFixture fixture(cell);
    ASSERT_FALSE(Clipboard::uses_desktop());
    fixture.click(390); // after the text
    fixture.press(Key::End);
    for (int i = 0; i < 5; ++i)
        fixture.press(Key::ArrowLeft, shift());
    EXPECT_EQ(fixture.field->editor().selected_text(), "world");
    fixture.press(Key::Character, control(), "c");
    EXPECT_EQ(Clipboard::text(), "world");
    fixture.press(Key::Home);
    fixture.press(Key::Character, control(), "v");
    EXPECT_EQ(cell->text(), "worldhello world");
    fixture.press(Key::Character, control(), "a");
    fixture.press(Key::Character, control(), "x");
    EXPECT_EQ(cell->text(), "");
    EXPECT_EQ(Clipboard::text(), "worldhello world");
    // Pasted line breaks become spaces.
    ASSERT_TRUE(Clipboard::set_text("two\nlines"));
    fixture.press(Key::Character, control(), "v");
    EXPECT_EQ(cell->text(), "two lines");
}

TEST(TextInput, ACutTheClipboardRefusesKeepsTheText)
{
    auto cell = LocalTextCell::create("keep me");
    InputFixture fixture(cell);
    ASSERT_FALSE(Clipboard::uses_desktop());
    ASSERT_TRUE(Clipboard::set_text("before"));
    fixture.click(390);
    fixture.press(Key::Character, control(), "a");
    Clipboard::set_in_memory_refuses(true);
    fixture.press(Key::Character, control(), "x");
    Clipboard::set_in_memory_refuses(false);
    EXPECT_EQ(cell->text(), "keep me");
    EXPECT_EQ(Clipboard::text(), "before");
}

TEST(TextInput, AClickPlacesTheCaretAndADragSelects)
{
    // Digits: every letter as wide as the next.
    auto cell = LocalTextCell::create("0123456789");
    InputFixture fixture(cell);
    fixture.click(100 + 1); // just inside the left edge
    EXPECT_EQ(fixture.field->editor().caret(), 0u);
    fixture.driver->dispatch(PointerMove { 390, 10 }, none);
    EXPECT_EQ(fixture.field->editor().selected_text(), "0123456789");
    fixture.driver->dispatch(PointerUp { 390, 10 }, none);
    fixture.driver->dispatch(PointerMove { 100, 10 }, none);
    EXPECT_EQ(fixture.field->editor().selected_text(), "0123456789") << "the drag ended with the release";

    // Clicking between letters lands on the nearer boundary.
    fixture.driver->frame(16);
    auto at_end = caret_rect(*fixture.driver);
    ASSERT_TRUE(at_end);
    double per_letter = (at_end->x0 - 100) / 10;
    fixture.click(100 + per_letter * 3.3);
    EXPECT_EQ(fixture.field->editor().caret(), 3u);
    fixture.click(100 + per_letter * 3.7);
    EXPECT_EQ(fixture.field->editor().caret(), 4u);
    fixture.click(100 + per_letter * 6.2, shift());
    EXPECT_EQ(fixture.field->editor().selected_text(), "45");
}

TEST(TextInput, FocusAndCaretSurviveAWholeTreeRebuild)
{
    auto cell = LocalTextCell::create("rebuild me");
    InputFixture fixture(cell, "palette_input");
    fixture.click(150);
    fixture.press(Key::Home);
    fixture.press(Key::ArrowRight);
    fixture.press(Key::ArrowRight, shift());
    // A new tree: new widgets, the same id.
    fixture.build(std::string("palette_input"));
    EXPECT_TRUE(fixture.field->is_focused());
    EXPECT_EQ(fixture.field->editor().caret(), 2u);
    EXPECT_EQ(fixture.field->editor().anchor(), 1u);
    fixture.type("X");
    EXPECT_EQ(cell->text(), "rXbuild me");
    // Another id in its place does not inherit them.
    fixture.build(std::string("search_input"));
    EXPECT_FALSE(fixture.field->is_focused());
}

TEST(TextInput, DrawsThePlaceholderWhileEmptyAndTheCaretWhileFocused)
{
    auto cell = LocalTextCell::create();
    InputFixture fixture(cell);
    auto texts = commands_of<DrawText>(fixture.driver->scene());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Search");
    EXPECT_EQ(texts[0].style.color, Theme::dark().text_muted);
    EXPECT_FALSE(caret_rect(*fixture.driver));

    fixture.click(150);
    fixture.type("q");
    fixture.driver->frame(16);
    texts = commands_of<DrawText>(fixture.driver->scene());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "q");
    auto caret = caret_rect(*fixture.driver);
    ASSERT_TRUE(caret);
    EXPECT_GT(caret->x0, 100);
    auto clips = commands_of<PushClip>(fixture.driver->scene());
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips[0].rect, fixture.field->layout_rect());
}

TEST(TextInput, KeepsTheCaretInViewInALongText)
{
    auto cell = LocalTextCell::create(std::string(300, 'm'));
    InputFixture fixture(cell);
    fixture.click(150);
    fixture.press(Key::End);
    fixture.driver->frame(16);
    auto caret = caret_rect(*fixture.driver);
    ASSERT_TRUE(caret);
    auto rect = fixture.field->layout_rect();
    EXPECT_GE(caret->x0, rect.x0);
    EXPECT_LE(caret->x1, rect.x1 + 0.01);
    auto texts = commands_of<DrawText>(fixture.driver->scene());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_LT(texts[0].origin.x, rect.x0) << "the start of the text is scrolled away";
}

TEST(TextInput, ARefusedPublicationKeepsWhatWasTyped)
{
    class Refusing final : public TextCell {
    public:
        std::string text() const override { return "fixed"; }
        uint64_t generation() const override { return 7; }
        bool publish(std::string) override { return false; }
    };
    InputFixture fixture(std::make_shared<Refusing>());
    fixture.click(390);
    fixture.type("!");
    EXPECT_EQ(fixture.field->text(), "fixed!");
}

TEST(TextInput, IsAnnouncedAsAFieldNamedByItsDescription)
{
    auto field = Field::local().with_placeholder("grayjay:// pairing invite").with_text("Grayjay pairing invite");
    auto node = field.accessibility();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->role, AccessRole::TextField);
    EXPECT_EQ(node->name, "Grayjay pairing invite");
    auto search = Field::local().with_placeholder("Search").with_kind(TextInputKind::Search);
    EXPECT_EQ(search.accessibility()->role, AccessRole::SearchField);
    EXPECT_EQ(search.accessibility()->name, "Search");
}

TEST(TextInput, AnExternalBufferHoldsTheTextAcrossRebuilds)
{
    FocusState::current().reset();
    auto buffer = LocalTextCell::create();
    {
        auto field = Field::local().with_id("grayjay_pairing_invite").with_external_buffer(buffer);
        field.set_focus(true);
        EventContext typed { TextInput { "grayjay://abc" }, none, 1.0f };
        field.handle_event(typed);
    }
    EXPECT_EQ(buffer->text(), "grayjay://abc");
    auto again = Field::local().with_id("grayjay_pairing_invite").with_external_buffer(buffer);
    EXPECT_EQ(again.text(), "grayjay://abc");
}
