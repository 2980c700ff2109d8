#include "src/sync/PulledImport.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "automerge/Document.h"
#include "kaso/actions/Executor.h"
#include "kaso/platform/Log.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TypedDispatch.h"
#include "src/history/HistoryReaders.h"
#include "src/history/HistoryStore.h"
#include "src/model/VexaModel.h"
#include "src/sync/Base64.h"

namespace vexa::sync {

namespace {

auto logger() { return kaso::log::target("vexa::device_sync"); }

// The site's plain, www and mobile origins, in the order they are tried.
constexpr std::array<std::string_view, 3> video_site_prefixes { "https://youtube.com/", "https://www.youtube.com/", "https://m.youtube.com/" };

// C0 controls, DEL, and the C1 controls U+0080 to U+009F (0xC2 0x80..0x9F in UTF-8).
bool has_control_character(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto const byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F)
            return true;
        if (byte == 0xC2 && i + 1 < text.size()) {
            auto const next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F)
                return true;
        }
    }
    return false;
}

std::string_view without_leading_slashes(std::string_view text)
{
    while (text.starts_with('/'))
        text.remove_prefix(1);
    return text;
}

// Whether a known, subscribed channel already goes by this address.
bool subscribed_channel_names(VexaModel const& model, std::string_view address)
{
    for (auto const& channel : model.channels) {
        auto const handle = without_leading_slashes(channel.handle);
        bool const names = channel.handle == address
            || (address.starts_with(creator_address_prefix) && address.substr(creator_address_prefix.size()) == handle);
        if (names && model.is_subscribed(channel.id))
            return true;
    }
    return false;
}

// Whether the history document holds an entry for this video, whatever its state.
bool history_holds(automerge::Document const& document, std::optional<automerge::ObjId> entries, std::string const& video_id)
{
    if (!entries)
        return false;
    auto value = document.get(*entries, video_id);
    return value && value->has_value();
}

class LibraryBatchAction final : public kaso::actions::DocumentAction {
public:
    explicit LibraryBatchAction(std::span<VexaAction const> actions)
        : m_actions(actions)
    {
    }
    std::string debug_text() const override { return "device-sync import of " + std::to_string(m_actions.size()) + " action(s)"; }
    kaso::ErrorOr<void> encode(automerge::Transaction& transaction) const override
    {
        for (auto const& action : m_actions)
            TRY(write_library_action(transaction, action));
        return {};
    }

private:
    std::span<VexaAction const> m_actions;
};

}

std::optional<std::string> canonical_video_url(std::string_view text)
{
    auto const trimmed = trim_white_space(text);
    for (auto const prefix : video_site_prefixes) {
        if (!trimmed.starts_with(prefix))
            continue;
        auto const rest = trimmed.substr(prefix.size());
        if (rest.empty() || rest.size() > max_video_url_rest || has_control_character(rest))
            return std::nullopt;
        return std::string(creator_address_prefix) + std::string(rest);
    }
    return std::nullopt;
}

std::optional<std::string> subscription_address(VexaModel const& model, std::string_view channel_id)
{
    auto const* known = model.channel(channel_id);
    if (!known)
        return canonical_video_url(channel_id);
    if (known->handle.starts_with("http"))
        return canonical_video_url(known->handle);
    return std::string(creator_address_prefix) + std::string(without_leading_slashes(known->handle));
}

SyncPayload build_sync_request(VexaModel const& model)
{
    SyncPayload payload;
    for (auto const& channel_id : model.subscriptions) {
        if (auto address = subscription_address(model, channel_id))
            payload.subscriptions.push_back(std::move(*address));
    }
    payload.history = model.history;
    return payload;
}

ImportPlan plan_pulled_import(std::span<SyncPayload const> payloads, VexaModel const& model, automerge::Document const& history_document,
    std::string_view owner_id, uint64_t now_ms)
{
    ImportPlan plan;
    std::optional<automerge::ObjId> entries;
    if (auto history = owner_history_map(history_document))
        entries = map_at(history_document, *history, "entries");
    std::unordered_set<std::string> local_history(model.history.begin(), model.history.end());
    std::unordered_set<std::string> planned_history;

    for (auto const& payload : payloads) {
        auto const subscriptions = std::span(payload.subscriptions).first(std::min(payload.subscriptions.size(), max_imported_subscriptions));
        for (auto const& address : subscriptions) {
            auto canonical = canonical_video_url(address);
            if (!canonical)
                continue;
            if (std::find(model.subscriptions.begin(), model.subscriptions.end(), *canonical) != model.subscriptions.end())
                continue;
            if (subscribed_channel_names(model, *canonical))
                continue;
            VexaAction action = VexaAction::SetSubscription { .channel_id = std::move(*canonical), .subscribed = true };
            if (auto encoded = to_encoded_action(vexa_action_kind, action); !encoded) {
                logger()->warn("refused a pulled Vexa device-sync action error={}", encoded.error().message);
                continue;
            }
            plan.subscriptions.push_back(std::move(action));
        }

        // Within one payload a video keeps the first (newest) time; later ones are a millisecond
        // older per address looked at, so the device's order survives.
        std::unordered_set<std::string> seen;
        auto const history = std::span(payload.history).first(std::min(payload.history.size(), max_imported_history));
        for (std::size_t i = 0; i < history.size(); ++i) {
            std::string const video_id(trim_white_space(history[i]));
            if (video_id.empty() || video_id.size() > max_history_address || has_control_character(video_id))
                continue;
            if (local_history.contains(video_id) || !seen.insert(video_id).second)
                continue;
            if (planned_history.contains(video_id) || history_holds(history_document, entries, video_id))
                continue;
            auto const watched_at = now_ms >= i ? now_ms - i : 0;
            planned_history.insert(video_id);
            plan.history.push_back(OwnerHistoryAction::device_sync(owner_id, video_id, watched_at));
        }
    }
    return plan;
}

bool dispatch_subscription_import(std::span<VexaAction const> subscriptions, kaso::actions::ActionHost::Dispatcher const& dispatch)
{
    if (subscriptions.empty())
        return true;
    auto const& first = subscriptions.front();
    auto encoded = to_encoded_action(vexa_action_kind, first);
    auto dispatched = [&]() -> base::ErrorOr<void, kaso::actions::ActionError> {
        if (!encoded)
            return std::unexpected(encoded.error());
        if (!dispatch)
            return std::unexpected(kaso::actions::ActionError { "no library document to dispatch onto" });
        LibraryBatchAction batch(subscriptions);
        return dispatch(batch, *encoded, dispatch_request(vexa_provenance_id, device_sync_import_title, first));
    }();
    if (!dispatched)
        logger()->warn("refused a pulled Vexa device-sync action error={}", dispatched.error().message);
    return dispatched.has_value();
}

void write_import(ImportPlan const& plan, std::function<void()> const& library, std::function<void()> const& history)
{
    if (plan.subscriptions.empty() || plan.history.empty()) {
        library();
        history();
        return;
    }
    std::optional<std::thread> library_thread;
    try {
        library_thread.emplace(library);
    } catch (std::system_error const& failure) {
        logger()->warn("writing the import's two halves one after the other error={}", failure.what());
        library();
    }
    history();
    if (library_thread)
        library_thread->join();
}

ImportOutcome apply_pulled_import(ImportPlan const& plan, automerge::Document& library, HistoryStore& history)
{
    ImportOutcome outcome;
    auto write_library = [&] {
        if (plan.subscriptions.empty())
            return;
        auto const actor = library.actor_id().bytes();
        std::vector<uint8_t> actor_bytes(actor.begin(), actor.end());
        auto onto_library = [&](kaso::actions::DocumentAction const& action, kaso::actions::EncodedAction const& encoded,
                                kaso::actions::ActionContext const& context) -> base::ErrorOr<void, kaso::actions::ActionError> {
            auto dispatched = kaso::actions::executor::dispatch_by_with_context(library, action, encoded, actor_bytes, context);
            if (!dispatched)
                return std::unexpected(dispatched.error());
            return {};
        };
        if (dispatch_subscription_import(plan.subscriptions, onto_library))
            outcome.subscriptions_imported = plan.subscriptions.size();
        else
            outcome.library_failed = true;
    };
    auto write_history = [&] {
        if (plan.history.empty())
            return;
        if (history.apply_actions(plan.history))
            outcome.history_imported = plan.history.size();
        else
            outcome.history_failed = true;
    };
    write_import(plan, write_library, write_history);
    return outcome;
}

}
