#pragma once

#include "kaso/ui/PlayerModeControl.h"
#include "kaso/ui/VideoPlayer.h"
#include "kaso/ui/Widget.h"

namespace vexa {

// Places the application's one video player in a page tree. The tree cannot own the player, so
// the host holds a second handle and passes every widget call on to it; the player keeps its
// stream, position and focus across rebuilds.
class PlayerHost final : public kaso::ui::Widget, public kaso::ui::PlayerModeControl {
public:
    PlayerHost(kaso::ui::SharedVideoPlayer player, float height);

    kaso::ui::VideoPlayer& player() { return *m_player; }
    float height() const { return m_height; }

    // Widget
    char const* type_name() const override { return "PlayerHost"; }
    std::optional<std::string> widget_id() const override { return "watch_video_surface"; }
    kaso::ui::PlayerModeControl* as_player_mode_control() override { return this; }
    kaso::ui::PlayerModeControl const* as_player_mode_control() const override { return this; }
    void sync(kaso::ui::SyncContext& context) override { m_player->sync(context); }
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override { m_player->draw(scene, context); }
    void handle_event(kaso::ui::EventContext& context) override;
    kaso::ui::CursorShape cursor_shape(kaso::ui::Point point) const override { return m_player->cursor_shape(point); }
    bool is_focusable() const override { return true; }
    void set_focus(bool focused) override { m_player->set_focus(focused); }
    bool is_focused() const override { return m_player->is_focused(); }
    std::optional<kaso::ui::AccessNode> accessibility() const override { return m_player->accessibility(); }
    bool needs_animation_frame() const override { return m_player->needs_animation_frame(); }
    std::optional<uint64_t> next_wake_deadline() const override { return m_player->next_wake_deadline(); }
    bool needs_redraw() const override { return m_player->needs_redraw(); }
    void mark_drawn() override { m_player->mark_drawn(); }
    bool is_layout_dirty() const override { return false; }

    // PlayerModeControl
    std::optional<bool> player_mode() const override { return m_player->mode(); }
    void set_player_mode(bool on) override { m_player->set_mode(on); }

private:
    kaso::ui::SharedVideoPlayer m_player;
    float m_height;
};

}
