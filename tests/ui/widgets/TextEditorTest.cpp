#include <gtest/gtest.h>

#include "kaso/ui/TextEditor.h"

using namespace kaso::ui;

namespace {

// "é" is two bytes, "ж" two, "😀" four.
std::string const mixed = "a\xc3\xa9\xd0\xb6\xf0\x9f\x98\x80z";

TextEditor editor_with(std::string text)
{
    TextEditor editor;
    editor.set_text(std::move(text));
    editor.move_end(Extend::No);
    return editor;
}

}

TEST(TextEditor, MovesAndDeletesWholeCodePoints)
{
    auto editor = editor_with(mixed);
    EXPECT_EQ(editor.caret(), mixed.size());
    editor.move_left(Extend::No);
    EXPECT_EQ(editor.caret(), 9u); // before "z"
    editor.move_left(Extend::No);
    EXPECT_EQ(editor.caret(), 5u); // before the four-byte emoji
    EXPECT_TRUE(editor.backspace());
    EXPECT_EQ(editor.text(), "a\xc3\xa9\xf0\x9f\x98\x80z");
    EXPECT_EQ(editor.caret(), 3u);
    EXPECT_TRUE(editor.delete_forward());
    EXPECT_EQ(editor.text(), "a\xc3\xa9z");
    editor.move_home(Extend::No);
    EXPECT_FALSE(editor.backspace());
    editor.move_end(Extend::No);
    EXPECT_FALSE(editor.delete_forward());
}

TEST(TextEditor, ShiftExtendsTheSelectionAndAPlainMoveCollapsesIt)
{
    auto editor = editor_with("hello world");
    editor.move_left(Extend::Yes);
    editor.move_left(Extend::Yes);
    EXPECT_EQ(editor.selected_text(), "ld");
    editor.move_home(Extend::Yes);
    EXPECT_EQ(editor.selected_text(), "hello world");
    // Collapsing to the side of the movement.
    editor.move_right(Extend::No);
    EXPECT_EQ(editor.caret(), 11u);
    EXPECT_FALSE(editor.has_selection());
    editor.set_selection(0, 5);
    editor.move_left(Extend::No);
    EXPECT_EQ(editor.caret(), 0u);
}

TEST(TextEditor, TypingReplacesTheSelection)
{
    auto editor = editor_with("hello world");
    editor.set_selection(6, 11);
    EXPECT_TRUE(editor.insert("there"));
    EXPECT_EQ(editor.text(), "hello there");
    EXPECT_EQ(editor.caret(), 11u);
    editor.select_all();
    EXPECT_TRUE(editor.backspace());
    EXPECT_EQ(editor.text(), "");
    EXPECT_FALSE(editor.insert(""));
}

TEST(TextEditor, CleansWhatIsInserted)
{
    struct Case {
        std::string input;
        std::string inserted;
    };
    Case const cases[] = {
        { "plain", "plain" },
        { "two\nlines", "two lines" },
        { "crlf\r\nend", "crlf end" },
        { "tab\there", "tab here" },
        { std::string("nul\0bell\x07", 9), "nulbell" },
        { "bad \xff\xfe bytes", "bad  bytes" },
        { "cut \xe2\x82", "cut " },                // a truncated sequence
        { "overlong \xc0\xaf", "overlong " },      // an overlong "/"
        { "surrogate \xed\xa0\x80", "surrogate " }, // U+D800
        { "\xe2\x82\xac euro", "\xe2\x82\xac euro" },
    };
    for (auto const& c : cases) {
        TextEditor editor;
        editor.insert(c.input);
        EXPECT_EQ(editor.text(), c.inserted) << c.input;
    }
}

TEST(TextEditor, NeverGrowsPastItsBoundAndCutsAtACodePoint)
{
    TextEditor editor;
    std::string euros;
    for (std::size_t i = 0; i < TextEditor::max_bytes; ++i)
        euros += "\xe2\x82\xac";
    EXPECT_TRUE(editor.insert(euros));
    EXPECT_LE(editor.text().size(), TextEditor::max_bytes);
    EXPECT_EQ(editor.text().size() % 3, 0u);
    EXPECT_GT(editor.text().size(), TextEditor::max_bytes - 3);

    TextEditor full;
    full.insert(std::string(TextEditor::max_bytes + 10, 'a'));
    EXPECT_EQ(full.text().size(), TextEditor::max_bytes);
    EXPECT_FALSE(full.insert("more"));
    // Replacing a selection frees its room.
    full.set_selection(0, 3);
    EXPECT_TRUE(full.insert("bcd"));
    EXPECT_EQ(full.text().substr(0, 4), "bcda");
    EXPECT_EQ(full.text().size(), TextEditor::max_bytes);
}

TEST(TextEditor, ANewTextKeepsTheCaretWhereItFits)
{
    auto editor = editor_with("hello world");
    editor.set_caret(5, Extend::No);
    editor.set_text("hey");
    EXPECT_EQ(editor.caret(), 3u);
    editor.set_text("h\xc3\xa9llo");
    EXPECT_EQ(editor.caret(), 3u);
    // An offset inside a code point snaps back to its start.
    editor.set_caret(2, Extend::No);
    EXPECT_EQ(editor.caret(), 1u);
}
