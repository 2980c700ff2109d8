// Carrying out the "vexa.operation" actions the runtime hands the application: one operation
// per call, checked against the type it was declared with.

#include "src/app/Operations.h"

#include "kaso/ui/Clipboard.h"
#include "src/actions/TypedDispatch.h"
#include "src/app/AppState.h"
#include "src/app/SyncRequest.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

std::optional<kaso::actions::ControlInvocation> ControlInvocations::take()
{
    if (m_waiting.empty())
        return std::nullopt;
    auto first = std::move(m_waiting.front());
    m_waiting.pop_front();
    return first;
}

std::optional<kaso::actions::ControlInvocation> AppState::take_control_invocation()
{
    if (auto device = m_control_invocations.take())
        return device;
    return m_watch_controls.take();
}

std::string share_link(std::string_view video_id)
{
    return fmt::format("https://{}/{}", ServiceSettings::standard().short_link_host, video_id);
}

namespace {

// The decoded copy of a pairing invite is a secret: it is wiped once the operation is over,
// carried out or not.
struct InviteWiper {
    VexaOperation& operation;
    ~InviteWiper()
    {
        if (auto* pair = std::get_if<VexaOperation::PairDevice>(&operation.value))
            sync::wipe_string(pair->invite);
    }
};

}

kaso::ui::OperationOutcome AppState::execute_operation(uint8_t declared_type, kaso::actions::EncodedAction const& action)
{
    if (declared_type == 0)
        return std::nullopt;
    auto decoded = decode_operation(action.kind, action.payload);
    if (!decoded)
        return std::nullopt;
    if (!*decoded)
        return kaso::make_error(decoded->error());
    auto& operation = decoded->value();
    InviteWiper wiper { operation };
    if (operation.operation_type_number() != declared_type)
        return kaso::make_error(operation_contract_mismatch);
    std::visit([&](auto& variant) { carry_out_operation(variant); }, operation.value);
    m_structure_dirty = true;
    return kaso::ErrorOr<void> {};
}

void AppState::carry_out_operation(VexaOperation::TogglePlayback const&)
{
    m_player->toggle_playback();
    m_model.playing = m_player->is_playing();
}

void AppState::carry_out_operation(VexaOperation::ToggleSidebar const&) { m_layout.toggle_nav(); }

void AppState::carry_out_operation(VexaOperation::Share const& share)
{
    auto link = share_link(share.video_id);
    if (kaso::ui::Clipboard::set_text(link))
        m_model.push_notice(fmt::format("Link copied: {}", link));
    else
        m_model.push_notice(fmt::format("Could not copy the link: {}", link));
}

void AppState::carry_out_operation(VexaOperation::Navigate const& navigate_to)
{
    navigate(navigate_to.route);
    m_layout.collapse_nav_if_narrow();
}

void AppState::carry_out_operation(VexaOperation::OpenVideo const& open)
{
    if (!m_model.video(open.video_id)) {
        m_model.push_notice("That video is no longer available");
        return;
    }
    open_video(open.video_id);
    m_layout.collapse_nav_if_narrow();
}

void AppState::carry_out_operation(VexaOperation::OpenChannel const& open)
{
    if (!m_model.channel(open.channel_id)) {
        m_model.push_notice("That creator is no longer available");
        return;
    }
    open_channel(open.channel_id);
    m_layout.collapse_nav_if_narrow();
}

void AppState::carry_out_operation(VexaOperation::OpenPlaylist const& open)
{
    if (!m_model.playlist(open.playlist_id)) {
        m_model.push_notice("That playlist is no longer available");
        return;
    }
    navigate(Route::playlist(open.playlist_id));
    m_layout.collapse_nav_if_narrow();
    request(WorkerRequest::playlist(open.playlist_id));
}

void AppState::carry_out_operation(VexaOperation::Download const& download)
{
    m_model.push_notice(fmt::format("Downloads are unavailable for {}: no storage capability", download.video_id));
}

// Device commands are offered to the worker's queue without waiting; a full queue or a missing
// worker is a refusal, told in a notice.
void AppState::carry_out_operation(VexaOperation::PairDevice& pair)
{
    // The invite goes on as it is, empty or not: the worker checks it.
    auto const* bytes = reinterpret_cast<uint8_t const*>(pair.invite.data());
    sync::SecretBytes invite(std::span<uint8_t const>(bytes, pair.invite.size()));
    sync::wipe_string(pair.invite);
    if (!m_device_sync.send_command({ DeviceSyncCommand::Pair { std::move(invite) } }))
        m_model.push_notice("Device pairing is busy or unavailable");
}

void AppState::carry_out_operation(VexaOperation::SyncDevices const&)
{
    if (!m_device_sync.send_command({ DeviceSyncCommand::SyncNow { build_sync_request(m_model) } }))
        m_model.push_notice("Device sync is busy or unavailable");
}

void AppState::carry_out_operation(VexaOperation::ApproveDevice const& approve)
{
    if (!request_device_approval(m_device_sync, approve.peer_id))
        m_model.push_notice("Could not queue device approval");
}

void AppState::carry_out_operation(VexaOperation::RevokeDevice const& revoke)
{
    if (!request_device_revocation(m_device_sync, revoke.peer_id))
        m_model.push_notice("Could not queue device revocation");
}

void AppState::carry_out_operation(VexaOperation::RecordHistory const& record) { m_history.record_history(record.video_id, m_model); }

void AppState::carry_out_operation(VexaOperation::RemoveHistory const& remove) { m_history.remove_history(remove.video_id, m_model); }

void AppState::carry_out_operation(VexaOperation::ClearHistory const&) { m_history.clear_history(m_model); }

}
