#include "kaso/ui/TextInput.h"

#include <SDL.h>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "kaso/ui/Clipboard.h"
#include "kaso/ui/FocusState.h"
#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/TextMeasureCache.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"

namespace kaso::ui::widget {

namespace {

constexpr float default_width = 200;
constexpr double vertical_padding = 4;
constexpr double caret_width = 1.5;

Extend extend_of(Modifiers modifiers) { return modifiers.shift ? Extend::Yes : Extend::No; }

}

TextInput TextInput::local()
{
    TextInput input;
    input.bind(LocalTextCell::create());
    return input;
}

TextInput TextInput::from_state(TextCellHandle cell)
{
    TextInput input;
    input.bind(cell ? std::move(cell) : LocalTextCell::create());
    return input;
}

void TextInput::bind(TextCellHandle cell)
{
    if (!cell)
        return;
    m_cell = std::move(cell);
    m_seen_generation = m_cell->generation();
    m_editor.set_text(m_cell->text());
    m_editor.move_end(Extend::No);
    m_dirty = true;
}

void TextInput::pull_from_cell()
{
    if (!m_cell || m_cell->generation() == m_seen_generation)
        return;
    m_seen_generation = m_cell->generation();
    m_editor.set_text(m_cell->text());
    remember_caret();
    m_dirty = true;
}

void TextInput::publish()
{
    if (!m_cell)
        return;
    // A refused publication keeps what was typed here; the cell keeps its own text.
    m_cell->publish(m_editor.text());
    m_seen_generation = m_cell->generation();
}

void TextInput::restore_from_registry()
{
    if (m_restored)
        return;
    m_restored = true;
    auto& state = FocusState::current();
    if (auto caret = state.caret(id()))
        m_editor.set_selection(caret->anchor, caret->caret);
    if (state.is_focused(id()))
        m_focused = true;
}

void TextInput::remember_caret()
{
    FocusState::current().set_caret(id(), { m_editor.caret(), m_editor.anchor() });
}

void TextInput::edited(bool changed)
{
    if (changed)
        publish();
    remember_caret();
    m_dirty = true;
}

void TextInput::sync(SyncContext&)
{
    restore_from_registry();
    pull_from_cell();
}

layout::Style TextInput::layout_style() const
{
    layout::Style style;
    if (m_fill_width) {
        style.size.width = layout::Dimension::percent(1.0f);
        style.min_size.width = layout::Dimension::px(0);
        style.flex_shrink = 1;
    } else {
        style.size.width = layout::Dimension::px(default_width);
        style.flex_shrink = 0;
    }
    return style;
}

layout::NodeId TextInput::build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes)
{
    restore_from_registry();
    pull_from_cell();
    m_renderer = &context.text;
    m_theme_size = context.theme.body_size;
    auto node = tree.new_leaf_with_measure(layout_style(), [this](auto known, auto available) {
        double height = line_height() + 2 * vertical_padding;
        float width = 0;
        if (known.width)
            width = *known.width;
        else if (!available.width.is_min_content() && m_renderer) {
            auto const& shown = m_editor.text().empty() ? m_placeholder : m_editor.text();
            width = float(TextMeasureCache::current().measure(*m_renderer, shown, text_style(m_theme_size), 0).width + caret_width);
            if (available.width.is_definite())
                width = std::min(width, available.width.value());
        }
        return layout::Size<float> { width, float(height) };
    });
    nodes[this] = node;
    return node;
}

TextStyle TextInput::text_style(float fallback_size) const
{
    TextStyle style;
    float size = m_font_size.value_or(fallback_size);
    style.size = std::isfinite(size) && size > 0 ? size : 14.0f;
    return style;
}

double TextInput::line_height()
{
    if (!m_renderer)
        return text_style(m_theme_size).size * 1.2;
    return TextMeasureCache::current().measure(*m_renderer, "Ag", text_style(m_theme_size), 0).height;
}

double TextInput::prefix_width(std::size_t offset)
{
    if (offset == 0 || !m_renderer)
        return 0;
    auto const& text = m_editor.text();
    if (m_measured_text != text) {
        m_measured_text = text;
        m_prefix_widths.clear();
    }
    if (auto found = m_prefix_widths.find(offset); found != m_prefix_widths.end())
        return found->second;
    double width = m_renderer->measure_style(std::string_view(text).substr(0, offset), text_style(m_theme_size)).width;
    m_prefix_widths.emplace(offset, width);
    return width;
}

std::size_t TextInput::offset_at(double x)
{
    // Widths of prefixes grow with their length: search the boundaries for the nearest one.
    auto const& text = m_editor.text();
    double target = x - m_rect.x0 + m_scroll_x;
    if (target <= 0 || text.empty())
        return 0;
    std::size_t low = 0;
    std::size_t high = text.size();
    if (prefix_width(high) <= target)
        return high;
    while (TextEditor::next_boundary(text, low) < high) {
        std::size_t middle = TextEditor::floor_boundary(text, low + (high - low) / 2);
        if (middle <= low)
            middle = TextEditor::next_boundary(text, low);
        if (prefix_width(middle) <= target)
            low = middle;
        else
            high = middle;
    }
    return target - prefix_width(low) <= prefix_width(high) - target ? low : high;
}

void TextInput::keep_caret_visible()
{
    double room = std::max(0.0, m_rect.width() - caret_width);
    double caret_x = prefix_width(m_editor.caret());
    double full = prefix_width(m_editor.text().size());
    if (caret_x - m_scroll_x > room)
        m_scroll_x = caret_x - room;
    if (caret_x < m_scroll_x)
        m_scroll_x = caret_x;
    // No empty space after the text while some of it is scrolled away.
    m_scroll_x = std::clamp(m_scroll_x, 0.0, std::max(0.0, full - room));
}

void TextInput::draw(Scene& scene, DrawContext& context)
{
    m_renderer = &context.text;
    m_theme_size = context.theme.body_size;
    if (m_rect.is_empty())
        return;
    keep_caret_visible();
    TextStyle style = text_style(m_theme_size);
    double height = line_height();
    double top = m_rect.y0 + (m_rect.height() - height) / 2;
    double left = m_rect.x0 - m_scroll_x;
    scene.push_clip(m_rect);
    if (m_focused && m_editor.has_selection()) {
        auto [first, last] = m_editor.selection();
        double x0 = left + prefix_width(first);
        double x1 = left + prefix_width(last);
        scene.fill_rect({ x0, top, x1, top + height }, context.theme.accent.with_alpha(0.35f));
    }
    if (m_editor.text().empty()) {
        if (!m_placeholder.empty()) {
            style.color = context.theme.text_muted;
            scene.draw_text(m_placeholder, style, { m_rect.x0, top });
        }
    } else {
        style.color = context.theme.text;
        scene.draw_text(m_editor.text(), style, { left, top });
    }
    if (m_focused) {
        double x = left + prefix_width(m_editor.caret());
        scene.fill_rect({ x, top, x + caret_width, top + height }, context.theme.text);
    }
    scene.pop_clip();
}

bool TextInput::handle_key(KeyDown const& key, Modifiers modifiers)
{
    Extend extend = extend_of(modifiers);
    bool command = modifiers.control && !modifiers.alt;
    // Alt with a key is a window shortcut (Alt+Left goes back), never an edit.
    if (modifiers.alt)
        return false;
    switch (key.key) {
    case Key::ArrowLeft: m_editor.move_left(extend); break;
    case Key::ArrowRight: m_editor.move_right(extend); break;
    case Key::Home: m_editor.move_home(extend); break;
    case Key::End: m_editor.move_end(extend); break;
    case Key::Backspace: edited(m_editor.backspace()); return true;
    case Key::Delete: edited(m_editor.delete_forward()); return true;
    case Key::Space: return !command; // the text arrives as a text event
    case Key::Character: {
        if (!command)
            return true; // the text arrives as a text event
        char letter = key.text.size() == 1 ? char(std::tolower(static_cast<unsigned char>(key.text[0]))) : 0;
        if (letter == 'a') {
            m_editor.select_all();
        } else if (letter == 'c') {
            if (m_editor.has_selection())
                (void)Clipboard::set_text(m_editor.selected_text());
        } else if (letter == 'x') {
            // A cut the clipboard did not take keeps the text, so nothing is lost.
            if (m_editor.has_selection() && Clipboard::set_text(m_editor.selected_text()))
                edited(m_editor.delete_selection());
        } else if (letter == 'v') {
            edited(m_editor.insert(Clipboard::text()));
        } else {
            return false;
        }
        break;
    }
    default: return false;
    }
    remember_caret();
    m_dirty = true;
    return true;
}

void TextInput::handle_event(EventContext& context)
{
    restore_from_registry();
    pull_from_cell();
    auto position = context.logical_position();
    if (auto const* down = std::get_if<PointerDown>(&context.event)) {
        bool inside = position && m_rect.contains(*position);
        if (!inside) {
            // A press anywhere else ends the editing, whoever takes the press.
            if (m_focused)
                set_focus(false);
            return;
        }
        if (down->button != PointerButton::Primary || context.handled)
            return;
        context.focus_request = FocusRequest::element(id());
        set_focus(true);
        m_editor.set_caret(offset_at(position->x), context.modifiers.shift ? Extend::Yes : Extend::No);
        m_dragging = true;
        remember_caret();
        m_dirty = true;
        context.handled = true;
    } else if (std::holds_alternative<PointerMove>(context.event)) {
        if (m_dragging && position) {
            m_editor.set_caret(offset_at(position->x), Extend::Yes);
            remember_caret();
            m_dirty = true;
        }
    } else if (std::holds_alternative<PointerUp>(context.event) || std::holds_alternative<PointerLeave>(context.event)) {
        m_dragging = false;
    } else if (auto const* key = std::get_if<KeyDown>(&context.event)) {
        if (m_focused && !context.handled && handle_key(*key, context.modifiers))
            context.handled = true;
    } else if (auto const* typed = std::get_if<ui::TextInput>(&context.event)) {
        if (m_focused && !context.handled) {
            edited(m_editor.insert(typed->text));
            context.handled = true;
        }
    }
}

std::optional<AccessNode> TextInput::accessibility() const
{
    AccessNode node;
    node.role = m_kind == TextInputKind::Search ? AccessRole::SearchField : AccessRole::TextField;
    node.name = m_description.empty() ? m_placeholder : m_description;
    node.description = m_editor.text();
    node.bounds = m_rect;
    node.focused = m_focused;
    return node;
}

CursorShape TextInput::cursor_shape(Point point) const { return m_rect.contains(point) ? CursorShape::Text : CursorShape::Default; }

void TextInput::set_focus(bool focused)
{
    restore_from_registry();
    if (focused == m_focused)
        return;
    m_focused = focused;
    m_dirty = true;
    auto& state = FocusState::current();
    if (focused) {
        state.set_focused(id());
        remember_caret();
        // Typed text arrives as text events only while the input method is on.
        if (SDL_WasInit(SDL_INIT_VIDEO) && !SDL_IsTextInputActive())
            SDL_StartTextInput();
    } else {
        state.clear_focus(id());
        m_dragging = false;
    }
}

}
