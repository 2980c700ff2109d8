#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "src/sync/SyncPayload.h"

namespace vexa {

struct VexaModel;

// The canonical form of a video-site address: the secure web address under the plain, the www
// or the mobile origin, rewritten onto `creator_address_prefix`. None when the text (trimmed) has
// no such prefix, or when the rest is empty, longer than 232 bytes or holds a control character.
std::optional<std::string> canonical_video_url(std::string_view text);

// The address a peer is sent for one subscribed channel id, or none when there is no usable one.
std::optional<std::string> subscription_address(VexaModel const& model, std::string_view channel_id);

// What a sync pass sends: every subscription as a video-site address (unusable ones left out), in
// the library's order, and a copy of the watch-history ids.
sync::SyncPayload build_sync_request(VexaModel const& model);

}
