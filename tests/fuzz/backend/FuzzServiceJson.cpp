// Fuzz target of the SponsorBlock, DeArrow and dislike-count answer readers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "src/backend/EnrichmentServices.h"
#include "src/backend/JsonInput.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    auto answer = vexa::json_input::parse(text, 1024 * 1024);
    if (!answer)
        return 0;
    auto segments = vexa::sponsor_segments_from_json(*answer);
    for (std::size_t index = 0; index < segments.size(); ++index) {
        auto const& segment = segments[index];
        if (!std::isfinite(segment.start) || !std::isfinite(segment.end) || segment.start < 0 || !(segment.start < segment.end))
            std::abort();
        if (index > 0 && segments[index - 1].start > segment.start)
            std::abort();
    }
    auto branding = vexa::dearrow_branding_from_json(*answer, "http://127.0.0.1:1", "id");
    if (branding.thumbnail_url && branding.thumbnail_url->find("&time=") == std::string::npos)
        std::abort();
    (void)vexa::dislike_count_from_json(*answer);
    return 0;
}
