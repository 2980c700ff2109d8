#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/actions/ActionHost.h"
#include "src/actions/VexaAction.h"
#include "src/history/OwnerHistoryAction.h"
#include "src/sync/SyncPayload.h"

namespace automerge {
class Document;
}

namespace vexa {
struct VexaModel;
class HistoryStore;
}

// Between device sync and the application's data: the addresses this side sends, and the
// subscriptions and watched videos that peers sent, turned into library actions and history
// entries.
namespace vexa::sync {

// Of one pulled payload only the first 100 of each list are looked at.
constexpr std::size_t max_imported_subscriptions = 100;
constexpr std::size_t max_imported_history = 100;
constexpr std::size_t max_video_url_rest = 232;
constexpr std::size_t max_history_address = 256;

// A video-site address under the plain, www or mobile origin ("https://", the host, "/"), with
// the rest after the prefix 1 to 232 bytes and free of control characters, rewritten under the
// creator-address prefix the model matches subscriptions with. None otherwise.
std::optional<std::string> canonical_video_url(std::string_view text);

// The address sent for one subscribed channel id: the known channel's stored address
// (canonicalised when it is a web address, else put after the prefix), or the id itself when it
// is already an address. None drops the subscription from what is sent.
std::optional<std::string> subscription_address(VexaModel const& model, std::string_view channel_id);

// What a pass sends: every subscription that has an address, in the library's order, and a copy
// of the history list (which the worker does not send).
SyncPayload build_sync_request(VexaModel const& model);

// What one frame's pulled payloads import, decided before anything is written.
struct ImportPlan {
    std::vector<VexaAction> subscriptions;   // SetSubscription, subscribed
    std::vector<OwnerHistoryAction> history; // SetEntry with a device-sync mutation id

    bool empty() const { return subscriptions.empty() && history.empty(); }
};

// Payloads in arrival order. A pulled watched video is skipped when the history document holds
// any entry for it (present, removed or hidden by a clear), however old: only new videos are
// stamped, so a device's list never pushes the user's own watches out or brings back what the
// user removed.
ImportPlan plan_pulled_import(std::span<SyncPayload const> payloads, VexaModel const& model, automerge::Document const& history_document,
    std::string_view owner_id, uint64_t now_ms);

struct ImportOutcome {
    std::size_t subscriptions_imported { 0 };
    std::size_t history_imported { 0 };
    bool library_failed { false }; // the subscriptions' change was refused and rolled back
    bool history_failed { false }; // the history write failed and was rolled back

    bool history_changed() const { return history_imported > 0; }
};

// Dispatches every subscription of a plan as one action, so the library document takes them in
// one change or not at all; `dispatch` is the runtime's (an ActionHost's dispatcher). False when
// the change was refused, after a warning in the log.
bool dispatch_subscription_import(std::span<VexaAction const> subscriptions, kaso::actions::ActionHost::Dispatcher const& dispatch);

// Runs a plan's two writes, `library` (the subscriptions' change) and `history` (the entries),
// and returns once both are done. Each ends with a file flushed to disk, which is mostly waiting
// on the disk, so when the plan has both halves the library's runs on a thread of its own while
// the history's runs on the caller's: the frame waits for the longer of the two, not their sum.
// The two touch different documents and files. Without a thread to be had, one after the other.
void write_import(ImportPlan const& plan, std::function<void()> const& library, std::function<void()> const& history);

// Writes a plan: every subscription in one change of the library document, every history entry
// in one write of the history store (side by side, as `write_import` does). Each of the two is rolled back whole when it fails.
ImportOutcome apply_pulled_import(ImportPlan const& plan, automerge::Document& library, HistoryStore& history);

}
