#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>

#include "kaso/ui/ContainerState.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui {

// A scroll position in logical pixels: how far the content is moved up (y) and left (x).
struct ScrollOffset {
    float x { 0 };
    float y { 0 };
    bool operator==(ScrollOffset const&) const = default;
};

// Shared between a scroll view and whoever keeps the position across rebuilds (the
// application keeps one cell per scroll key); UI thread only.
using ScrollOffsetCell = std::shared_ptr<ScrollOffset>;

// A scroll view over one child. It fills its parent, clips the child to its own rectangle and
// moves it by the offset held in its cell. Scrolling never solves the layout again: the child
// keeps its unscrolled rectangles, drawing is shifted with a scene offset and pointer positions
// are shifted the other way before the child sees them. The offset is clamped to the content
// extent the layout reports; the cell keeps what was asked, so a page that is briefly shorter
// (while it loads) does not lose its position.
//
// Pointer events outside the view's rectangle never reach the child; it is told the pointer
// left instead (PointerLeave), so hover and press states end.
class Scrollable final : public Widget {
public:
    Scrollable();

    Scrollable&& with_child(WidgetBox child) &&;
    template<std::derived_from<Widget> W>
    Scrollable&& with_child(W&& child) &&
    {
        return std::move(*this).with_child(std::make_unique<std::decay_t<W>>(std::forward<W>(child)));
    }
    // Keeps the offset in `cell`, which outlives this view, under `key`.
    Scrollable&& with_persisted_offset(std::string key, ScrollOffsetCell cell) &&;
    // The width of the strip at the right edge in which the scroll indicator is drawn.
    Scrollable&& scrollbar_width(float width) &&;

    std::optional<std::string> const& persist_key() const { return m_key; }
    ScrollOffsetCell const& offset_cell() const { return m_cell; }
    // The offset in effect: the cell's, clamped to the content.
    ScrollOffset offset() const;
    ScrollOffset max_offset() const;
    Size content_size() const { return m_content; }
    Widget* child() { return m_child.get(); }

    // Sets the offset (clamped); true when it moved.
    bool scroll_to(ScrollOffset offset);

    // Widget
    char const* type_name() const override { return "Scrollable"; }
    layout::Style layout_style() const override;
    void apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y) override;
    void draw(Scene& scene, DrawContext& context) override;
    void draw_overlay(Scene& scene, DrawContext& context) override;
    void handle_event(EventContext& context) override;
    void for_each_child(std::function<void(Widget&)> const& visit) override;
    // Scrolls the least distance that brings the element with that id into view.
    bool reveal_descendant(std::string_view id) override;
    bool take_structure_dirty() override;
    bool needs_redraw() const override;
    bool is_layout_dirty() const override;
    void mark_drawn() override;

private:
    void draw_indicator(Scene& scene, DrawContext& context) const;

    WidgetBox m_child;
    ScrollOffsetCell m_cell;
    std::optional<std::string> m_key;
    Size m_content;
    float m_scrollbar_width { 10 };
    PointerFence m_fence;
    bool m_dirty { true };
};

}
