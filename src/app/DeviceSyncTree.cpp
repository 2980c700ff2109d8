// The device-sync resource of the action tree and the invocations the settings page's device
// controls queue against it.

#include <algorithm>

#include "kaso/actions/Identifiers.h"
#include "src/app/ActionTree.h"
#include "src/app/DeviceSync.h"
#include "src/model/Text.h"

namespace vexa {

using kaso::actions::ActionArgs;
using kaso::actions::ActionParam;
using kaso::actions::ActionSpec;
using kaso::actions::EncodedAction;
using kaso::actions::Resource;
using kaso::actions::Unavailability;
using O = VexaOperation;

namespace {

constexpr std::string_view unavailable_reason = "grayjay_sync_unavailable";
constexpr std::string_view unavailable_fallback = "Encrypted Grayjay sync is available when the desktop secret broker is unlocked.";

// Device commands may always be logged whole; a pairing invite never is.
constexpr uint8_t audit_whole = 0;
constexpr uint8_t audit_redacted = 2;

ActionSpec pairing_invite_action()
{
    ActionSpec spec;
    spec.id = "pair";
    spec.label = "Pair using invite";
    spec.operation_type = static_cast<uint8_t>(O::Type::Effect);
    auto invite = ActionParam { "invite", "Grayjay pairing invite; redacted from logs and history", {}, std::nullopt }.with_schema({ 1, 16384 });
    spec.input = kaso::actions::derive_input({ std::move(invite) },
        [](ActionArgs const& args) -> kaso::ErrorOr<EncodedAction> {
            O operation = O::PairDevice { std::string(args.text("invite").value_or("")) };
            auto encoded = EncodedAction { "vexa.operation", operation.to_json_bytes() };
            kaso::actions::wipe_text(std::get<O::PairDevice>(operation.value).invite);
            return kaso::actions::enforce_operation_type(std::move(encoded), "vexa.operation");
        },
        "Paste a Grayjay pairing invite");
    spec.privileged();
    spec.audit = audit_redacted;
    return spec;
}

ActionSpec device_command(std::string id, std::string label, VexaOperation const& operation)
{
    auto spec = vexa_operation_spec(std::move(id), std::move(label), operation);
    spec.audit = audit_whole;
    return spec;
}

Resource device_resource(sync::PeerRecord const& peer)
{
    Resource device { "vexa.device:" + peer.id, "vexa.device", peer.name, {}, {} };
    if (peer.pending_approval) {
        auto approve = device_command("approve", "Approve device", O::ApproveDevice { peer.id });
        device.actions.push_back(std::move(approve.privileged()));
    } else {
        auto revoke = device_command("revoke", "Revoke device access", O::RevokeDevice { peer.id });
        device.actions.push_back(std::move(revoke.destructive()));
    }
    return device;
}

ActionSpec const* offered_action(Resource const& resource, std::string_view id)
{
    auto found = std::find_if(resource.actions.begin(), resource.actions.end(), [&](ActionSpec const& spec) { return spec.id == id; });
    if (found == resource.actions.end() || found->unavailable)
        return nullptr;
    return &*found;
}

}

Resource device_sync_action_tree(sync::DeviceSyncStatus const& status)
{
    Resource tree { "vexa.device-sync", "vexa.device-sync", "Grayjay device sync", {}, {} };
    auto sync_now = device_command("sync", "Sync approved devices now", O::SyncDevices {});
    if (status.state == DeviceSyncState::Unavailable) {
        tree.label = "Grayjay device sync (unavailable)";
        auto message = text::trim(status.message);
        Unavailability why { std::string(unavailable_reason), message.empty() ? std::string(unavailable_fallback) : status.message };
        auto pair = pairing_invite_action();
        pair.unavailable = why;
        sync_now.unavailable = std::move(why);
        tree.actions.push_back(std::move(pair));
        tree.actions.push_back(std::move(sync_now));
        return tree;
    }
    tree.actions.push_back(pairing_invite_action());
    if (sync::has_active_peer(status.peers))
        tree.actions.push_back(std::move(sync_now));
    for (auto const& peer : status.peers) {
        if (!peer.revoked_at)
            tree.children.push_back(device_resource(peer));
    }
    return tree;
}

std::optional<kaso::actions::ControlInvocation> device_control_invocation(DeviceSyncHandle const& handle, std::string_view action_id,
    std::optional<std::string_view> peer_id)
{
    auto tree = device_sync_action_tree(handle.status());
    Resource const* target = &tree;
    if (peer_id) {
        auto address = "vexa.device:" + std::string(*peer_id);
        auto found = std::find_if(tree.children.begin(), tree.children.end(), [&](Resource const& child) { return child.address == address; });
        if (found == tree.children.end())
            return std::nullopt;
        target = &*found;
    }

    std::optional<kaso::ErrorOr<kaso::actions::ActionBinding>> binding;
    if (action_id == "pair") {
        auto invite = take_pairing_invite(handle);
        if (invite.empty() || !offered_action(*target, "pair"))
            return std::nullopt;
        kaso::actions::ActionArguments arguments;
        arguments.emplace("invite", std::string(sync::DeviceSyncCommand::Pair { std::move(invite) }.invite_text()));
        binding = kaso::actions::ActionBinding::static_json(*target, "pair", std::move(arguments));
    } else {
        if (!offered_action(*target, action_id))
            return std::nullopt;
        binding = kaso::actions::ActionBinding::unit_for(*target, action_id);
    }
    if (!*binding)
        return std::nullopt;
    auto invocation = kaso::actions::unit_binding_invocation(**binding);
    if (!invocation)
        return std::nullopt;
    return std::move(*invocation);
}

}
