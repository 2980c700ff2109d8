#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kaso/actions/ActionHost.h"
#include "kaso/actions/EncodedAction.h"
#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/VideoPlayer.h"
#include "kaso/ui/Widget.h"
#include "src/actions/OperationQueue.h"
#include "src/app/ApplyWorkerMessage.h"
#include "src/app/FetchWorker.h"
#include "src/app/DeviceSync.h"
#include "src/app/NavigationHistory.h"
#include "src/app/SharedText.h"
#include "src/history/HistoryStore.h"
#include "src/actions/UiAction.h"
#include "src/model/VexaModel.h"

namespace vexa {

// The application object: the root widget the runtime drives, owning the model and every other
// piece of the application's state. It lives on the UI thread from the launch callback that
// builds it until the window closes.
class VexaApp final : public kaso::ui::Widget, public kaso::ui::PlayerModeControl {
public:
    static constexpr char const* history_recovery_notice
        = "Watch history couldn't be opened. The existing local file was preserved; new history will not save. Restore or "
          "replace it in Vexa's local data folder, then restart.";

    // Starts on the sample catalogue with the history owner resolved, no worker and no request.
    static std::unique_ptr<VexaApp> create();
    // As `create`, with the owner given instead of resolved.
    static std::unique_ptr<VexaApp> create_for_owner(std::string owner_id);

    // Makes this the live application: an empty model with the home feed loading.
    VexaApp& finish_default();

    // Launch states.
    VexaApp& show_empty_state();
    VexaApp& show_loading_state();
    VexaApp& show_device_sync();
    VexaApp& open_palette(std::string query);
    VexaApp& play_demo();
    VexaApp& apply_launch_route(Route route);
    VexaApp& with_model(VexaModel model);
    VexaApp& with_image_store(kaso::ui::image_store::SharedImageStore store);
    VexaApp& set_force_nav(bool force);

    VexaApp& set_viewport(double width, double height);

    // Layout rules: the narrow threshold, the rail width and what is left for the page.
    static double narrow_threshold(float scale) { return scale < 1.5f ? 760.0 : 1760.0; }
    bool is_narrow() const;
    double nav_width() const;
    double content_width() const;
    bool nav_visible() const;
    void collapse_nav_if_narrow();
    uint8_t nav_visibility() const { return m_nav_visibility; }
    float scale() const { return m_scale; }

    // Navigation: a search refines the current search instead of stacking.
    void navigate(Route route);
    void open_video(std::string const& video_id);
    // Requests to the fetch worker: `submit_fetch` always (starting the worker on demand),
    // `request` only in the live application.
    void submit_fetch(WorkerRequest request);
    void request(WorkerRequest request);
    // Asks once in the application's life for a creator's details.
    void ensure_channel_details(std::string const& channel_id);
    // Applies up to 32 waiting worker messages; answers whether anything changed.
    bool apply_fetch_results();
    // The player follows the route: a new Watch route pauses it and asks for the stream.
    void pause_when_leaving_watch();
    // The duration in seconds of the Watch route's video when it is known.
    std::optional<double> watch_video_ready() const;
    bool skip_sponsor_segment();
    bool autoplay_next();
    std::optional<std::string> const& stream_requested_for() const { return m_stream_requested_for; }
    std::optional<double> skip_target() const { return m_skip_target; }
    // Stands in a fetch worker made elsewhere (tests give one over their own services).
    VexaApp& with_fetch_worker(FetchWorker worker);

    // Carries out one UiAction as a widget asked for it; answers whether it counted as a change.
    bool carry_out(UiAction const& action);
    OperationQueueHandle const& operations() const { return m_operations; }
    // The scroll key of a route: "home", "watch:<id>", "search:<query>", ...
    static std::string scroll_key(Route const& route);

    VexaModel const& model() const { return m_model; }
    NavigationHistory const& navigation() const { return m_navigation; }
    DeviceSyncHandle const& device_sync() const { return m_device_sync; }
    HistoryStore const& history() const { return m_history; }
    SharedText const& search_text_cell() const { return *m_search_text_cell; }
    SharedText const& palette_text_cell() const { return *m_palette_text_cell; }
    std::optional<std::string> const& loaded_video() const { return m_loaded_video; }
    kaso::ui::SharedVideoPlayer const& player() const { return m_player; }
    // The clip the demonstration states play; the synthesized engine needs no network for it.
    static constexpr char const* demo_clip_address = "https://demo.kaso.localhost/clip.mp4";
    std::optional<kaso::ui::ScrollOffset> scroll_offset(std::string const& key) const;
    kaso::ui::Rect viewport() const { return m_viewport; }
    bool is_live() const { return m_live; }
    bool force_nav() const { return m_force_nav; }
    bool has_fetch_worker() const { return m_fetch_worker.has_value(); }
    bool has_image_store() const { return m_image_store != nullptr; }
    kaso::ui::image_store::SharedImageStore const& image_store() const { return m_image_store; }
    std::string const& owner_id() const { return m_owner_id; }

    // Widget
    char const* type_name() const override { return "VexaApp"; }
    kaso::ui::PlayerModeControl* as_player_mode_control() override { return this; }
    kaso::ui::PlayerModeControl const* as_player_mode_control() const override { return this; }

    // PlayerModeControl, over the shared player.
    std::optional<bool> player_mode() const override { return m_player->mode(); }
    ModeState mode_state() const override { return ModeState { 0, m_player->mode().value_or(false) ? 1u : 0u, false }; }
    void set_player_mode(bool on) override { m_player->set_mode(on); }
    void sync(kaso::ui::SyncContext& context) override;
    bool take_structure_dirty() override;
    kaso::layout::NodeId build_layout(kaso::layout::Tree& tree, kaso::ui::BuildContext& context, kaso::ui::NodeMap& nodes) override;
    void draw(kaso::ui::Scene& scene, kaso::ui::DrawContext& context) override;
    bool needs_redraw() const override;
    bool needs_idle_sync() const override;
    bool needs_animation_frame() const override;
    void mark_drawn() override;
    void handle_event(kaso::ui::EventContext& context) override;
    void apply_layout(kaso::layout::Tree const& tree, kaso::layout::NodeId node, double x, double y) override;
    std::optional<kaso::ui::AccessNode> accessibility() const override;
    bool is_layout_dirty() const override;
    void for_each_child(std::function<void(kaso::ui::Widget&)> const& visit) override;
    std::vector<std::string> action_namespaces() const override { return { "vexa.operation" }; }

private:
    VexaApp() = default;
    // Replaces the model, keeping the history store's recovery notice on the new one.
    void replace_model(VexaModel model);
    void navigate_to_launch_route(Route route);
    void track_swipe(kaso::ui::EventContext const& context);
    void queue(UiAction action) { m_operations->push(std::move(action)); }
    // Logs that the part of the application an action needs is not available in this build.
    static void unavailable(UiAction const& action, char const* what);
    std::string accessible_title() const;
    kaso::ui::ScrollOffsetCell ensure_scroll_offset(std::string const& key);

    // Fields that own resources, in the order they are released.
    VexaModel m_model;
    kaso::actions::ActionHost m_library_dispatch;
    kaso::actions::ActionHost m_history_dispatch;
    HistoryStore m_history;
    std::shared_ptr<OperationQueue> m_operations;
    std::optional<FetchWorker> m_fetch_worker; // none until the first request
    WorkerApplyState m_worker_apply;
    DeviceSyncHandle m_device_sync;
    kaso::ui::WidgetBox m_content;
    std::shared_ptr<SharedText> m_search_text_cell;
    std::shared_ptr<SharedText> m_palette_text_cell;
    std::optional<std::string> m_stream_requested_for;
    kaso::ui::SharedVideoPlayer m_player;
    std::vector<kaso::actions::EncodedAction> m_control_invocations;
    std::optional<std::string> m_watch_controls_for;
    std::optional<std::string> m_loaded_video;
    kaso::ui::image_store::SharedImageStore m_image_store; // none until the live application or a diagnostic mode sets one
    NavigationHistory m_navigation;
    std::map<std::string, kaso::ui::ScrollOffsetCell> m_scroll_offsets;
    std::set<std::string> m_pending_channels;

    // Plain values.
    std::string m_owner_id; // resolved once at construction
    std::optional<kaso::layout::NodeId> m_root_node;
    std::optional<double> m_skip_target; // seconds
    bool m_swipe_tracking { false };
    kaso::ui::Point m_swipe_start;
    double m_swipe_edge { 24.0 };
    double m_swipe_min_travel { 80.0 };
    bool m_swipe_fired { false };
    kaso::ui::Rect m_viewport;
    kaso::ui::Point m_pointer;
    float m_scale { 1.0f };
    bool m_first_sync_requested { false };
    bool m_structure_dirty { true };
    bool m_force_nav { false };
    bool m_live { false };
    bool m_first_feed_requested { false };
    uint8_t m_nav_visibility { 2 }; // 0 hidden, 1 shown, 2 automatic
    std::optional<bool> m_narrow;
    std::optional<bool> m_narrow_at_build;
};

// A new image store over the program's image fetch function.
kaso::ui::image_store::SharedImageStore new_image_store();

}
