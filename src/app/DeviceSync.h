#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/platform/Queue.h"
#include "kaso/ui/TextCell.h"
#include "src/sync/DeviceSyncMessages.h"
#include "src/sync/DeviceSyncStart.h"

namespace vexa {

using sync::DeviceSyncCommand;
using sync::DeviceSyncState;
using sync::DeviceSyncStatus;
using sync::DeviceSyncUpdate;

// The text of the settings page's pairing-invite field, shared between the field and the handle:
// the field reads and publishes it as its text cell, so what was typed survives rebuilds, and a
// field built after a take shows it empty. An invite is a secret: every copy it leaves here
// wipes itself, and so does the buffer. Thread-safe; in practice used on the UI thread only.
class PairingInviteBuffer final : public kaso::ui::TextCell {
public:
    // Replaces the text; the old bytes are wiped.
    void set_text(std::string_view text);
    bool is_empty() const;
    // The text without leading and trailing white space; the stored bytes are wiped and the
    // buffer is left empty.
    sync::SecretBytes take();

    // TextCell: the field's side. Every set_text, publication and take is a new generation.
    std::string text() const override;
    uint64_t generation() const override;
    bool publish(std::string text) override;

private:
    mutable std::mutex m_mutex;
    sync::SecretBytes m_text;    // protected by m_mutex
    uint64_t m_generation { 0 }; // protected by m_mutex
};

// What one frame's drain of the update queue brought.
struct DeviceSyncDrain {
    bool changed { false };                // the status differs from the previous one
    std::vector<sync::SyncPayload> pulled; // what peers sent, in arrival order
};

// The application's side of device sync: the sending end of the worker's command queue (absent
// when no worker runs), the receiving end of its update queue, the status the settings page
// shows and the shared pairing-invite buffer. Every call returns at once; the status changes only
// in `drain_updates`.
class DeviceSyncHandle {
public:
    // A handle without a worker that shows `status`.
    explicit DeviceSyncHandle(DeviceSyncStatus status = {});
    // A handle in front of a running worker.
    DeviceSyncHandle(kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates, DeviceSyncStatus status);

    DeviceSyncStatus const& status() const { return m_status; }
    bool has_worker() const { return m_commands.has_value(); }
    std::shared_ptr<PairingInviteBuffer> const& pairing_invite() const { return m_pairing_invite; }

    // One non-blocking send: false (the command dropped) without a worker, when the queue holds
    // `device_sync_command_capacity` commands, or once the worker has ended.
    bool send_command(DeviceSyncCommand command);
    // Asks for one sync pass with what the application sends.
    bool request_sync_now(sync::SyncPayload payload);

    // Takes everything the worker posted since the last call, without waiting. A status equal to
    // the current one is not a change.
    DeviceSyncDrain drain_updates();

private:
    std::optional<kaso::Sender<DeviceSyncCommand>> m_commands;
    kaso::Receiver<DeviceSyncUpdate> m_updates;
    DeviceSyncStatus m_status;
    std::shared_ptr<PairingInviteBuffer> m_pairing_invite;
};

// Each is false when the command could not be queued. An empty invite sends nothing.
bool request_device_pairing(DeviceSyncHandle& handle, sync::SecretBytes invite);
bool request_device_approval(DeviceSyncHandle& handle, std::string_view peer_id);
bool request_device_revocation(DeviceSyncHandle& handle, std::string_view peer_id);

// Empties the shared invite buffer and returns its trimmed text (see PairingInviteBuffer::take).
sync::SecretBytes take_pairing_invite(DeviceSyncHandle const& handle);

// The live application's handle: the device-sync worker started behind it, or, when no thread
// can be made, a handle without a worker whose status says why. The device key is derived on the
// worker's thread, so this returns without waiting for the secret portal; should the key or the
// peer store's place not be had, the worker's first status says why and the worker ends.
DeviceSyncHandle start_live_device_sync(std::string const& device_name, sync::DeviceSyncSeams seams = {});

// The handle of every application that is not the live one: no worker, and a status that says
// how to get one.
DeviceSyncHandle unavailable_device_sync();

// The handle of the "--device-sync" demonstration state: no worker, one approved and one pending
// device. `now_seconds` is the time the approved device's last sync is counted back from.
DeviceSyncHandle demo_device_sync(uint64_t now_seconds);
DeviceSyncHandle demo_device_sync();

}
