#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/VideoPlayer.h"
#include "kaso/ui/Widget.h"
#include "src/app/AppState.h"
#include "src/app/EdgeSwipe.h"
#include "src/app/LaunchStates.h"

namespace vexa {

// The root widget the runtime drives. It builds the page tree of the current route, draws it and
// routes input; the application's state and its operations live in `AppState`, which it owns. It
// lives on the UI thread from the launch callback that builds it until the window closes.
class VexaApp final : public kaso::ui::Widget, public kaso::ui::PlayerModeControl {
public:
    static constexpr char const* history_recovery_notice = OwnerHistory::recovery_notice;
    static constexpr char const* demo_clip_address = launch_state::demo_clip_address;

    // Whether the application object opens the owner's history file or keeps its history in
    // memory only (the "--empty" state and the diagnostic modes never open the user's file).
    enum class HistoryFile : uint8_t { Open, InMemory };

    // Starts on the sample catalogue with the history owner resolved, no worker and no request.
    static std::unique_ptr<VexaApp> create(HistoryFile history = HistoryFile::Open);
    // As `create`, with the owner given instead of resolved; its history stays in memory unless
    // the file is asked for.
    static std::unique_ptr<VexaApp> create_for_owner(std::string owner_id, HistoryFile history = HistoryFile::InMemory);
    // A diagnostic mode's application: the sample catalogue over a history kept in memory from the
    // start, so that no history or owner file is opened, locked or created.
    static std::unique_ptr<VexaApp> create_for_diagnostics();

    // Makes this the live application: an empty model with the home feed loading.
    VexaApp& finish_default();
    // Starts the device-sync worker behind the handle (the live application only).
    VexaApp& start_device_sync();

    // Launch states (see LaunchStates.h).
    VexaApp& show_empty_state();
    VexaApp& show_loading_state();
    VexaApp& show_device_sync();
    VexaApp& open_palette(std::string query);
    VexaApp& play_demo();
    VexaApp& apply_launch_route(Route route);
    VexaApp& with_model(VexaModel model);
    VexaApp& with_image_store(kaso::ui::image_store::SharedImageStore store);
    // Stands in a fetch worker made elsewhere (tests give one over their own services).
    VexaApp& with_fetch_worker(FetchWorker worker);
    VexaApp& set_force_nav(ForceNav force);
    VexaApp& set_viewport(double width, double height);
    // States of the diagnostic modes (see DiagnosticStates.h).
    VexaApp& bench_watch_state(std::string const& video_id);
    VexaApp& shot_watch_state(std::string const& video_id, std::string const& stream_address);

    // Layout rules (see WindowLayout).
    static double narrow_threshold(float scale) { return WindowLayout::narrow_threshold(scale); }
    bool is_narrow() const { return m_state.layout().is_narrow(); }
    double nav_width() const { return m_state.layout().nav_width(); }
    double content_width() const { return m_state.layout().content_width(); }
    bool nav_visible() const { return m_state.layout().nav_visible(); }
    uint8_t nav_visibility() const { return uint8_t(m_state.layout().rail()); }
    float scale() const { return m_state.layout().scale(); }
    kaso::ui::Rect viewport() const { return m_state.layout().viewport(); }
    bool force_nav() const { return m_state.layout().force_nav(); }

    // Playback rules, as the frame applies them.
    bool skip_sponsor_segment() { return m_state.skip_sponsor_segment(); }
    bool autoplay_next() { return m_state.autoplay_next(); }

    // The scroll key of a route: "home", "watch:<id>", "search:<query>", ...
    static std::string scroll_key(Route const& route);

    AppState& state() { return m_state; }
    AppState const& state() const { return m_state; }
    VexaModel const& model() const { return m_state.model(); }
    NavigationHistory const& navigation() const { return m_state.navigation(); }
    OperationQueueHandle const& operations() const { return m_state.operations(); }
    DeviceSyncHandle const& device_sync() const { return m_state.device_sync(); }
    HistoryStore const& history() const { return m_state.history().store(); }
    SharedText const& search_text_cell() const { return *m_state.search_text_cell(); }
    SharedText const& palette_text_cell() const { return *m_state.palette_text_cell(); }
    kaso::ui::SharedVideoPlayer const& player() const { return m_state.player(); }
    std::optional<std::string> const& loaded_video() const { return m_state.playback().loaded_video(); }
    std::optional<std::string> const& stream_requested_for() const { return m_state.playback().stream_requested_for(); }
    std::optional<double> skip_target() const { return m_state.playback().skip_target(); }
    std::optional<kaso::ui::ScrollOffset> scroll_offset(std::string const& key) const { return m_state.scroll_offset(key); }
    bool is_live() const { return m_state.is_live(); }
    bool has_fetch_worker() const { return m_state.has_fetch_worker(); }
    bool has_image_store() const { return m_state.image_store() != nullptr; }
    kaso::ui::image_store::SharedImageStore const& image_store() const { return m_state.image_store(); }
    std::string const& owner_id() const { return m_state.owner_id(); }

    // Widget
    char const* type_name() const override { return "VexaApp"; }
    kaso::ui::PlayerModeControl* as_player_mode_control() override { return this; }
    kaso::ui::PlayerModeControl const* as_player_mode_control() const override { return this; }

    // PlayerModeControl, over the shared player.
    std::optional<bool> player_mode() const override { return player()->mode(); }
    ModeState mode_state() const override { return ModeState { .kind = 0, .value = player()->mode().value_or(false) ? 1u : 0u, .flag = false }; }
    void set_player_mode(bool on) override { player()->set_mode(on); }

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
    // One provider over the library listing of the model as it is now.
    std::vector<kaso::search::SearchProviderHandle> search_providers() const override;
    bool is_layout_dirty() const override;
    void for_each_child(std::function<void(kaso::ui::Widget&)> const& visit) override;
    std::optional<kaso::actions::ControlInvocation> take_control_invocation() override;
    // The Watch page's "vexa.watch.play-pause" and "vexa.watch.share" (the page tree's follow).
    std::vector<kaso::actions::ControlBinding> semantic_action_bindings() const override { return m_state.watch_controls().bindings(); }
    void refresh_control_action_availability(kaso::actions::ActionAvailability const& available) override;
    kaso::ui::OperationOutcome execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const& action) override;
    std::vector<std::string> action_namespaces() const override { return { "vexa.operation" }; }
    // Built afresh from the model and the device-sync status on every call.
    std::vector<kaso::actions::Resource> action_resources() const override;

private:
    VexaApp(std::string owner_id, OwnerHistory history)
        : m_state(std::move(owner_id), std::move(history))
    {
    }

    // Routes one event: the application-wide keys, the swipe, then the page tree.
    void route_event(kaso::ui::EventContext& context);
    void deliver_to_content(kaso::ui::EventContext& context, bool swipe_release);
    void queue(UiAction action) { m_state.operations()->push(std::move(action)); }

    AppState m_state;
    kaso::ui::WidgetBox m_content; // the page tree of the current route; none before the first build
    EdgeSwipe m_swipe;
};

// A new image store over the program's image fetch function.
kaso::ui::image_store::SharedImageStore new_image_store();

}
