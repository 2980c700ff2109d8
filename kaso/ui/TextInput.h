#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "kaso/ui/BuilderSetter.h"
#include "kaso/ui/TextCell.h"
#include "kaso/ui/TextEditor.h"
#include "kaso/ui/TextStyle.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

class TextRenderer;

// What a field holds. The numbers are the platform's codes.
enum class TextInputKind : uint8_t {
    Plain = 0,
    Search = 2,
};

}

// The widget lives in its own namespace: kaso::ui::TextInput is the input method's text event.
namespace kaso::ui::widget {

// A one-line text field: caret, selection (shift with the arrows, Home and End, or a mouse
// drag), Backspace and Delete, Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V through the clipboard, typed text
// from the input method's text events. Enter, Escape and Tab are left to the widgets around it.
//
// Its text lives in a text cell: every edit is published into it, and a change the application
// published (a new generation) is taken up at the next frame or event. Focus and the caret are
// kept in the focus registry under the element id ("text_input" when none is set), so a field
// rebuilt with the tree keeps both.
//
// Told to assistive technology as a text field or, of the search kind, a search field, named by
// its descriptive text or else its placeholder.
//
// Built by value: TextInput::from_state(cell).with_id("search_input").with_placeholder("Search").
class TextInput final : public Widget {
public:
    // A field over a text of its own, lost when the tree is rebuilt unless given a buffer.
    static TextInput local();
    // A field over a shared cell.
    static TextInput from_state(TextCellHandle cell);

    KASO_BUILDER_SETTER(TextInput, with_id, std::string, m_id = std::move(value))
    KASO_BUILDER_SETTER(TextInput, with_placeholder, std::string, m_placeholder = std::move(value))
    // What the field is for, told to assistive technology; never shown or edited.
    KASO_BUILDER_SETTER(TextInput, with_text, std::string, m_description = std::move(value))
    // What the field holds; told to assistive technology.
    KASO_BUILDER_SETTER(TextInput, with_kind, TextInputKind, m_kind = value)
    KASO_BUILDER_SETTER(TextInput, with_font_size, float, m_font_size = value)
    // Takes the whole width its parent offers (and shrinks with it) instead of a fixed width.
    KASO_BUILDER_SETTER(TextInput, with_fill_width, bool, m_fill_width = value)
    KASO_BUILDER_SETTER(TextInput, with_external_buffer, TextCellHandle, bind(std::move(value)))

    std::string id() const { return m_id.value_or("text_input"); }
    std::string const& text() const { return m_editor.text(); }
    std::string const& placeholder() const { return m_placeholder; }
    std::string const& description() const { return m_description; }
    TextInputKind kind() const { return m_kind; }
    bool fills_width() const { return m_fill_width; }
    std::optional<float> font_size() const { return m_font_size; }
    TextEditor const& editor() const { return m_editor; }
    TextCellHandle const& cell() const { return m_cell; }

    // Widget
    char const* type_name() const override { return "TextInput"; }
    std::optional<std::string> widget_id() const override { return id(); }
    void sync(SyncContext& context) override;
    layout::Style layout_style() const override;
    layout::NodeId build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes) override;
    void draw(Scene& scene, DrawContext& context) override;
    void handle_event(EventContext& context) override;
    CursorShape cursor_shape(Point point) const override;
    bool is_focusable() const override { return true; }
    void set_focus(bool focused) override;
    bool is_focused() const override { return m_focused; }
    std::optional<AccessNode> accessibility() const override;
    bool needs_redraw() const override { return m_dirty; }
    void mark_drawn() override { m_dirty = false; }

private:
    TextInput() = default;
    void bind(TextCellHandle cell);
    void pull_from_cell();
    void publish();
    void restore_from_registry();
    void remember_caret();
    void edited(bool changed);
    bool handle_key(KeyDown const& key, Modifiers modifiers);
    TextStyle text_style(float fallback_size) const;
    double prefix_width(std::size_t offset);
    std::size_t offset_at(double x);
    double line_height();
    void keep_caret_visible();

    TextEditor m_editor;
    TextCellHandle m_cell;
    uint64_t m_seen_generation { 0 };
    std::optional<std::string> m_id;
    std::string m_placeholder;
    std::string m_description;
    std::optional<float> m_font_size;
    TextInputKind m_kind { TextInputKind::Plain };
    bool m_fill_width { false };
    bool m_focused { false };
    bool m_restored { false };
    bool m_dragging { false };
    bool m_dirty { true };
    double m_scroll_x { 0 };
    float m_theme_size { 14 };
    // The renderer of the last build or draw; it outlives the tree.
    TextRenderer* m_renderer { nullptr };
    // Widths of the text's prefixes by end offset, for the text they were measured on.
    std::string m_measured_text;
    std::map<std::size_t, double> m_prefix_widths;
};

}
