#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "src/backend/ServiceSettings.h"

namespace vexa {

// A stream that an Invidious instance proxies and has proven to serve.
struct InvidiousStream {
    std::string video_id;
    std::string url; // the proxy address that answered
    std::string mime;
    std::string quality;
    uint32_t itag { 0 };
    bool has_audio { true }; // both muxed formats carry audio

    bool operator==(InvidiousStream const&) const = default;
};

// <instance without trailing slashes>/latest_version?id=<id>&itag=<itag>&local=true
std::string invidious_latest_version_url(std::string_view instance, std::string_view video_id, uint32_t itag);

// Tries each instance with itag 22, then 18, and answers the first address that serves bytes;
// no attempt starts once the settings' budget is spent.
std::optional<InvidiousStream> resolve_via_invidious(ServiceSettings const& settings, std::string_view video_id);

}
