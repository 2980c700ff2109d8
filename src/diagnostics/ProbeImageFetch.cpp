#include "src/diagnostics/ProbeImageFetch.h"

#include <chrono>

#include "src/diagnostics/Console.h"
#include "src/diagnostics/DisplayUrl.h"

namespace vexa {

void probe_image_fetch(ProbeImageContext& context, Console& console, std::string_view label, std::string const& address)
{
    using kaso::ui::image_store::LoadState;
    if (address.empty() || !context.tried.insert(address).second)
        return;
    context.store->get(address);
    context.store->block_until_idle(std::chrono::seconds(15));
    bool decoded = context.store->get(address).state != LoadState::Failed;
    auto bytes = context.fetch(address);
    if (!bytes) {
        console.out("  {}: FETCH FAILED (store.decode={}) — {}", label, decoded, display_url(address));
        return;
    }
    console.out("  {}: {} bytes, format={}, ImageStore.decode={} — {}", label, bytes->size(), image_format_name(*bytes),
        decoded ? "OK" : "FAILED", display_url(address));
}

}
