#pragma once

#include <filesystem>
#include <span>
#include <vector>

#include "src/sync/DeviceSyncError.h"
#include "src/sync/PeerRecord.h"

namespace vexa::sync {

// The known devices, kept in "grayjay-peers.json" under "kaso-vexa" in the user's state
// directory: pretty JSON {"version": 1, "peers": [...]}, private to the user (file 0600 in a
// 0700 directory), and always replaced whole so it is either the old or the new file.
class PeerStore {
public:
    static constexpr std::size_t max_file_size = 1'048'576;
    static constexpr std::size_t max_records = 64;
    static constexpr std::size_t max_text_length = 256;
    static constexpr std::size_t max_addresses = 8;

    // The records in store order; no file is an empty store. Failures are PeerStore errors:
    // the system's text, "invalid peer store", the JSON library's message, "unsupported peer
    // store version" or "peer store exceeds its structural bounds".
    static SyncErrorOr<std::vector<PeerRecord>> load(std::filesystem::path const& path);

    // Writes every record. Records outside the structural bounds are refused before anything is
    // written, so a saved store always loads again.
    static SyncErrorOr<void> save(std::filesystem::path const& path, std::span<PeerRecord const> records);

    // The records as the file holds them (exposed for tests and fuzzing).
    static SyncErrorOr<std::vector<PeerRecord>> parse(std::string_view text);
    static bool within_bounds(std::span<PeerRecord const> records);
};

// $XDG_STATE_HOME (used as given, even when relative or empty), else ~/.local/state, then
// "kaso-vexa/grayjay-peers.json". PeerStore "no private state directory is available" when
// there is neither.
SyncErrorOr<std::filesystem::path> peer_store_path();

}
