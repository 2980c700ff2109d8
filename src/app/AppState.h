#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/VideoPlayer.h"
#include "kaso/ui/Widget.h"
#include "src/actions/OperationQueue.h"
#include "src/actions/UiAction.h"
#include "src/actions/VexaOperation.h"
#include "src/app/ApplyWorkerMessage.h"
#include "src/app/DeviceSync.h"
#include "src/app/FetchWorker.h"
#include "src/app/LibraryDocument.h"
#include "src/app/NavigationHistory.h"
#include "src/app/Operations.h"
#include "src/app/OwnerHistory.h"
#include "src/app/PlaybackPolicy.h"
#include "src/app/SharedText.h"
#include "src/app/WatchControls.h"
#include "src/app/WindowLayout.h"
#include "src/model/VexaModel.h"

namespace vexa {

// The application's state and its operations, apart from any widget: the model, navigation, the
// fetch worker client, the history and library seams, the shared player and text cells, and the
// carrying out of UI actions. The root widget builds pages from it and routes input into it; tests
// drive it directly. UI thread only.
//
// A frame is `run_frame`: one pass of the steps below, in this order, and the only place where
// worker results are taken in. Everything else that changes what is shown marks the structure
// dirty, which `take_structure_dirty` hands to the runtime.
class AppState {
public:
    // The sample catalogue with the given history owner and its history, no worker and no
    // request. A history waiting for recovery puts its notice on the model.
    AppState(std::string owner_id, OwnerHistory history);
    // As above with a memory-only history of that owner.
    explicit AppState(std::string owner_id);

    // The live application: an empty model with its feed loading, and images.
    void make_live(kaso::ui::image_store::SharedImageStore images);

    // -- The frame: the steps under "The frame's steps" below, in their order, with the page
    // tree's own sync (or, before the first build, the player's) after `take_palette_query`.
    void run_frame(kaso::ui::SyncContext& context, kaso::ui::Widget* content);

    // -- Input: carries out what the widgets queued; answers whether anything was. A change of
    // the library is dispatched onto the runtime's store handed to the call (none: not kept).
    bool carry_out_queued(kaso::actions::LibraryStore* library);
    // Carries out one UiAction as a widget asked for it; answers whether it counted as a change.
    bool carry_out(UiAction const& action, kaso::actions::LibraryStore* library);

    // -- Navigation: a search refines the current search instead of stacking.
    void navigate(Route route);
    // A launch state's route: no back stack.
    void navigate_to_launch_route(Route route);
    void open_video(std::string const& video_id);

    // -- The fetch worker: `submit_fetch` always (starting the worker on demand), `request`
    // only in the live application.
    void submit_fetch(WorkerRequest request);
    void request(WorkerRequest request);
    // Asks once in the application's life for a creator's details.
    void ensure_channel_details(std::string const& channel_id);
    void set_fetch_worker(FetchWorker worker) { m_fetch_worker.emplace(std::move(worker)); }

    // -- Playback rules, as the frame applies them.
    bool skip_sponsor_segment();
    bool autoplay_next();
    std::optional<double> watch_video_ready() const { return watch_video_duration(m_model); }

    // -- Operations and control invocations of the application's own action resources.
    // Carries out one "vexa.operation": none for another kind or a declared type of 0; an error
    // when the payload does not decode or its operation's own type is not the declared one
    // (nothing is carried out then); otherwise done, with the structure marked dirty. Unknown
    // items and refused device commands end in notices and still count as done.
    kaso::ui::OperationOutcome execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const& action);
    // The oldest waiting device command first, then the Watch page's play-pause, then its share.
    std::optional<kaso::actions::ControlInvocation> take_control_invocation();
    // Binds the Watch page's play-pause and share controls to the video on screen (see
    // WatchControls); called before every layout build and before either control fires.
    void refresh_watch_controls() { m_watch_controls.refresh(m_model); }
    WatchControls& watch_controls() { return m_watch_controls; }
    WatchControls const& watch_controls() const { return m_watch_controls; }
    // Queues an invocation of the device action `action_id` ("pair", "sync", "approve",
    // "revoke") of the device-sync resource, or of the device `peer_id`. False, queueing nothing,
    // when the tree does not offer it (see device_control_invocation).
    bool queue_device_invocation(std::string_view action_id, std::optional<std::string_view> peer_id);

    // -- State replaced by launch and diagnostic states.
    // Replaces the model, keeping the history store's recovery notice on the new one.
    void replace_model(VexaModel model);
    // Replaces the history; a recovery notice goes with the store it was about.
    void set_history(OwnerHistory history);
    OwnerHistory& history() { return m_history; }
    void set_device_sync(DeviceSyncHandle handle) { m_device_sync = std::move(handle); }
    void set_image_store(kaso::ui::image_store::SharedImageStore store);
    kaso::ui::ScrollOffsetCell ensure_scroll_offset(std::string const& key);
    std::optional<kaso::ui::ScrollOffset> scroll_offset(std::string const& key) const;

    void mark_dirty() { m_structure_dirty = true; }
    bool take_structure_dirty() { return std::exchange(m_structure_dirty, false); }

    // -- Queries: they answer and change nothing.
    VexaModel const& model() const { return m_model; }
    VexaModel& model() { return m_model; }
    NavigationHistory const& navigation() const { return m_navigation; }
    WindowLayout const& layout() const { return m_layout; }
    WindowLayout& layout() { return m_layout; }
    PlaybackPolicy const& playback() const { return m_playback; }
    PlaybackPolicy& playback() { return m_playback; }
    OwnerHistory const& history() const { return m_history; }
    LibraryDocument const& library() const { return m_library; }
    LibraryDocument& library() { return m_library; }
    DeviceSyncHandle const& device_sync() const { return m_device_sync; }
    DeviceSyncHandle& device_sync() { return m_device_sync; }
    OperationQueueHandle const& operations() const { return m_operations; }
    std::shared_ptr<SharedText> const& search_text_cell() const { return m_search_text_cell; }
    std::shared_ptr<SharedText> const& palette_text_cell() const { return m_palette_text_cell; }
    kaso::ui::SharedVideoPlayer const& player() const { return m_player; }
    kaso::ui::image_store::SharedImageStore const& image_store() const { return m_image_store; }
    std::string const& owner_id() const { return m_owner_id; }
    bool is_live() const { return m_live; }
    bool structure_dirty() const { return m_structure_dirty; }
    bool has_fetch_worker() const { return m_fetch_worker.has_value(); }
    bool images_pending() const { return m_image_store && m_image_store->pending() > 0; }

    // Opens the palette with the keyboard focus in its input; closing it gives the focus back
    // to the element that had it before.
    void show_palette();
    void hide_palette();

private:
    // The frame's steps, in the order they run.
    void read_library(kaso::ui::SyncContext const& context);
    void exchange_with_device_sync(kaso::ui::SyncContext const& context);
    // Imports what peers sent: one library change for the subscriptions, one history write for
    // the watched videos; answers whether the history changed.
    bool import_pulled(std::span<sync::SyncPayload const> pulled, kaso::actions::LibraryStore* library_store);
    void migrate_legacy_history(kaso::ui::SyncContext const& context);
    void refresh_history_list();
    void request_first_feed();
    void follow_route();
    void take_palette_query();
    void pump_media_controls(kaso::ui::SyncContext const& context);
    void apply_playback_rules();
    void drain_worker_results();

    // One overload per operation (Operations.cpp).
    void carry_out_operation(VexaOperation::TogglePlayback const&);
    void carry_out_operation(VexaOperation::ToggleSidebar const&);
    void carry_out_operation(VexaOperation::Share const&);
    void carry_out_operation(VexaOperation::Navigate const&);
    void carry_out_operation(VexaOperation::OpenVideo const&);
    void carry_out_operation(VexaOperation::OpenChannel const&);
    void carry_out_operation(VexaOperation::OpenPlaylist const&);
    void carry_out_operation(VexaOperation::Download const&);
    void carry_out_operation(VexaOperation::PairDevice&);
    void carry_out_operation(VexaOperation::SyncDevices const&);
    void carry_out_operation(VexaOperation::ApproveDevice const&);
    void carry_out_operation(VexaOperation::RevokeDevice const&);
    void carry_out_operation(VexaOperation::RecordHistory const&);
    void carry_out_operation(VexaOperation::RemoveHistory const&);
    void carry_out_operation(VexaOperation::ClearHistory const&);

    void publish_search_text(std::string const& text);
    void open_channel(std::string const& channel_id);

    // Fields that own resources first, then plain values (members are released last first).
    VexaModel m_model;
    LibraryDocument m_library;
    OwnerHistory m_history;
    OperationQueueHandle m_operations;
    std::optional<FetchWorker> m_fetch_worker; // none until the first request
    WorkerApplyState m_worker_apply;
    DeviceSyncHandle m_device_sync;
    std::shared_ptr<SharedText> m_search_text_cell;
    std::shared_ptr<SharedText> m_palette_text_cell;
    kaso::ui::SharedVideoPlayer m_player;
    ControlInvocations m_control_invocations;
    WatchControls m_watch_controls;
    kaso::ui::image_store::SharedImageStore m_image_store; // none until the live application or a diagnostic mode sets one
    NavigationHistory m_navigation;
    std::optional<std::string> m_focus_before_palette; // the element focused when the palette opened
    std::map<std::string, kaso::ui::ScrollOffsetCell> m_scroll_offsets;
    std::set<std::string> m_pending_channels;

    std::string m_owner_id; // resolved once at construction
    PlaybackPolicy m_playback;
    WindowLayout m_layout;
    bool m_live { false };
    bool m_first_sync_requested { false };
    bool m_first_feed_requested { false };
    bool m_structure_dirty { true };
};

}
