#pragma once

#include <cstdint>
#include <optional>

#include "kaso/ui/Widget.h"

namespace vexa {

// The navigation rail's setting: hidden or shown by the user, or following the window's width.
// The values are the setting's stored byte.
enum class RailVisibility : uint8_t {
    Hidden = 0,
    Shown = 1,
    Automatic = 2,
};

// Whether the rail shows open whatever the window's width ("--narrow").
enum class ForceNav : bool {
    No,
    Yes,
};

// How the window divides between the navigation rail and the page: the narrow rule, the rail's
// width and whether it shows. Plain values; the root widget reports the viewport and scale.
class WindowLayout {
public:
    // Below this width (in viewport units) the window is narrow.
    static double narrow_threshold(float scale) { return scale < 1.5f ? 760.0 : 1760.0; }

    bool is_narrow() const;
    double nav_width() const;
    // The page's width beside a shown rail, or the whole width.
    double content_width() const;
    bool nav_visible() const;
    // The top bar's compact form: a small, dense window.
    bool compact_top_bar() const { return m_viewport.width() <= 480.0 && m_scale >= 1.5f; }

    void collapse_nav_if_narrow();
    void toggle_nav() { m_rail = nav_visible() ? RailVisibility::Hidden : RailVisibility::Shown; }
    void hide_nav() { m_rail = RailVisibility::Hidden; }

    // The window size before any layout (launch and diagnostic states).
    void set_viewport(double width, double height);
    // The laid-out viewport. Crossing the narrow threshold returns the rail to automatic; answers
    // whether the tree must be rebuilt (the narrow state differs from the one it was built for).
    bool apply_viewport(kaso::ui::Rect viewport);
    // A build starts at this scale; its narrow state is remembered.
    void begin_build(float scale);

    kaso::ui::Rect viewport() const { return m_viewport; }
    float scale() const { return m_scale; }
    RailVisibility rail() const { return m_rail; }
    bool force_nav() const { return m_force_nav == ForceNav::Yes; }
    void set_force_nav(ForceNav force) { m_force_nav = force; }

private:
    kaso::ui::Rect m_viewport;
    float m_scale { 1.0f };
    RailVisibility m_rail { RailVisibility::Automatic };
    ForceNav m_force_nav { ForceNav::No };
    std::optional<bool> m_narrow;           // the last computed narrow state
    std::optional<bool> m_narrow_at_build;  // the narrow state the tree was built for
};

}
