#include "src/backend/SampleCatalogue.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "src/backend/SampleCatalogueData.h"
#include "src/model/Formatting.h"

namespace vexa {

namespace {

// The sample subscriptions: the candidates that the allow-list keeps, in candidate order.
std::vector<std::string> sample_subscriptions()
{
    constexpr std::array<std::string_view, 5> candidates { "ch_orbit", "ch_trail", "ch_circuit", "ch_groove", "ch_kitchen" };
    constexpr std::array<std::string_view, 3> allowed { "ch_kitchen", "ch_orbit", "ch_circuit" };
    std::vector<std::string> kept;
    for (auto candidate : candidates) {
        if (std::ranges::find(allowed, candidate) != allowed.end())
            kept.emplace_back(candidate);
    }
    return kept;
}

}

VexaModel sample_catalogue()
{
    auto model = VexaModel::empty();
    model.channels = sample::channels();
    model.videos = sample::videos(model.channels);
    model.subscriptions = sample_subscriptions();
    // Newest first: the second and the third video.
    model.history = { "vid_solder", "vid_donut" };
    model.dislikes = {
        { "vid_moon_base", 1'240 },
        { "vid_solder", 8'400 },
        { "vid_donut", 2'300 },
        { "vid_ridge_walk", 3'050 },
        { "vid_black_hole", 410 },
    };
    model.owner_id = std::string(local_profile_id);
    model.status_label = "offline — sample data";
    model.status_live = false;
    return model;
}

}
