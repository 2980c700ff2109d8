#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/ui/TextCell.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/sync/DeviceSyncMessages.h"
#include "src/widgets/Flex.h"

namespace vexa {

// Everything the device section reads: the status (none without a handle), the pairing-invite
// buffer the pairing field edits in place (none without one), and the time the sync ages are
// measured against.
struct DeviceSectionInput {
    std::optional<sync::DeviceSyncStatus> status;
    kaso::ui::TextCellHandle pairing_invite;
    uint64_t now_seconds { 0 }; // whole seconds since the Unix epoch
};

// The line under an approved device's name: its last error (cut to 200 characters and "…"), the
// age of its last sync, or "Not synced yet". A last sync after `now_seconds` reads "just now".
std::string device_sync_text(sync::PeerRecord const& peer, uint64_t now_seconds);

// The "Device sync" panel of the settings page: header with the state pill, then the key row,
// the pairing field, the pending devices to approve and the approved ones to revoke and sync.
Flex device_section(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, DeviceSectionInput const& input);

}
