#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <string>

#include "kaso/ui/Widget.h"

namespace kaso::ui {

// A navigation rail beside the content. Wide (its width at or above the narrow threshold) the
// rail takes `rail_width` at the left edge — `rail_width × open_fraction` while it slides — and
// the content the rest; hidden, the content takes the whole width. Narrow, the content always
// takes the whole width and a shown rail opens over it from the left edge, slid in by the open
// fraction. A shown rail covers what lies under it: pointer events there reach the rail only.
//
// Which form to build is decided before the layout is solved, from the width the split had the
// last time it was placed (remembered per element id across rebuilds) or the width given with
// `known_width`. When the placed width turns out to be on the other side of the threshold, the
// split reports its structure dirty so the next frame builds the other form.
class NavSplit final : public Widget {
public:
    NavSplit(WidgetBox rail, WidgetBox content);
    template<std::derived_from<Widget> R, std::derived_from<Widget> C>
    NavSplit(R&& rail, C&& content)
        : NavSplit(std::make_unique<std::decay_t<R>>(std::forward<R>(rail)), std::make_unique<std::decay_t<C>>(std::forward<C>(content)))
    {
    }

    NavSplit&& narrow_threshold(float width) &&;
    NavSplit&& rail_width(float width) &&;
    NavSplit&& shown(bool shown) &&;
    NavSplit&& open_fraction(float fraction) &&;
    NavSplit&& known_width(double width) &&;
    NavSplit&& with_id(std::string id) &&;

    float narrow_threshold() const { return m_threshold; }
    float rail_width() const { return m_rail_width; }
    bool is_shown() const { return m_shown; }
    float open_fraction() const { return m_fraction; }
    // The form of the last build.
    bool is_narrow() const { return m_built_narrow; }
    // The narrow rule: no width, or a width below the threshold.
    bool is_narrow_at(double width) const { return width <= 0 || width < m_threshold; }
    Widget& rail() { return *m_rail; }
    Widget& content() { return *m_content; }
    // Where the rail is drawn (it may reach past the split while sliding), and whether it is.
    Rect rail_rect() const { return m_rail->layout_rect(); }
    bool rail_visible() const;

    // Forgets the widths remembered for every split (tests start afresh with it).
    static void forget_widths();

    // Widget
    char const* type_name() const override { return "NavSplit"; }
    std::optional<std::string> widget_id() const override { return m_id; }
    layout::NodeId build_layout(layout::Tree& tree, BuildContext& context, NodeMap& nodes) override;
    void apply_layout(layout::Tree const& tree, layout::NodeId node, double x, double y) override;
    void draw(Scene& scene, DrawContext& context) override;
    void handle_event(EventContext& context) override;
    void for_each_child(std::function<void(Widget&)> const& visit) override;
    bool take_structure_dirty() override;
    bool needs_redraw() const override;
    bool is_layout_dirty() const override;

private:
    enum class Under {
        Nothing,
        Rail,
        Content,
    };
    std::string memory_key() const { return m_id.value_or("nav_split"); }
    double slot_width() const;
    Rect rail_area() const;

    WidgetBox m_rail;
    WidgetBox m_content;
    std::optional<std::string> m_id;
    std::optional<double> m_known_width;
    float m_threshold { 760 };
    float m_rail_width { 86 };
    float m_fraction { 1 };
    bool m_shown { true };
    bool m_built_narrow { false };
    bool m_structure_dirty { false };
    Under m_under { Under::Nothing };
    // Nodes of the last build; valid until the tree is cleared.
    layout::NodeId m_rail_node;
    layout::NodeId m_content_node;
    Rect m_slot; // the rail's slot, absolute
};

}
