#pragma once

#include "kaso/ui/Widget.h"
#include "src/widgets/PictureSource.h"

namespace vexa {

// What the four card leaves share: a rectangle that marks the widget dirty when it moves, a
// dirty flag cleared by drawing, and layout dirtiness until the first placement.
class CardWidget : public kaso::ui::Widget {
public:
    void apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y) override;
    void handle_event(kaso::ui::EventContext&) override { }
    bool needs_redraw() const override { return m_dirty; }
    void mark_drawn() override { m_dirty = false; }
    bool is_layout_dirty() const override;

protected:
    CardWidget() = default;
    void set_dirty() { m_dirty = true; }
    // Asks for the picture while there is none; an arrival marks the widget dirty.
    void sync_picture(PictureSource& picture)
    {
        if (picture.poll())
            m_dirty = true;
    }
    // A leaf of a fixed size that neither grows nor shrinks.
    static kaso::layout::Style fixed_style(kaso::layout::Dimension width, kaso::layout::Dimension height);

private:
    bool m_dirty { true };
};

}
