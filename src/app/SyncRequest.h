#pragma once

#include "src/sync/PulledImport.h"

namespace vexa {

// What a pass sends, and the address forms it uses, live beside the import in the sync library:
// the canonical video-site address, the address of one subscription and the sync request.
using sync::build_sync_request;
using sync::canonical_video_url;
using sync::subscription_address;

}
