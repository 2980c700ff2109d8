#pragma once

#include <set>
#include <string>
#include <string_view>

#include "kaso/ui/ImageStore.h"
#include "src/backend/ImageFetch.h"

namespace vexa {

class Console;

// What the image checks of the avatar probe share: the addresses already tried, the store that
// decodes and the function that fetches.
struct ProbeImageContext {
    std::set<std::string> tried;
    kaso::ui::image_store::SharedImageStore store;
    ImageFetchFunction fetch;
};

// Asks the store for a new address (waiting up to 15 s), fetches its bytes once more and prints
// one line naming their format and whether the store decoded them. An empty or already tried
// address prints nothing.
void probe_image_fetch(ProbeImageContext& context, Console& console, std::string_view label, std::string const& address);

}
