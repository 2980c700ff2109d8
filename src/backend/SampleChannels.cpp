#include "src/backend/SampleCatalogueData.h"

namespace vexa::sample {

namespace {

enum class Verified : bool {
    No,
    Yes,
};

Channel creator(char const* id, char const* name, char const* handle, uint64_t subscribers, Verified verified, char const* description)
{
    Channel channel;
    channel.id = id;
    channel.name = name;
    channel.handle = handle;
    channel.subscribers = subscribers;
    channel.verified = verified == Verified::Yes;
    channel.description = description;
    channel.seed = id;
    return channel;
}

}

std::vector<Channel> channels()
{
    return {
        creator("ch_kitchen", "Midnight Kitchen", "@midnightkitchen", 2'450'000, Verified::Yes,
            "Late-night baking experiments, one batch of dough at a time."),
        creator("ch_orbit", "Orbit Lab", "@orbitlab", 23'000'000, Verified::Yes,
            "Space science explained with models, math and the occasional explosion."),
        creator("ch_circuit", "Circuit Garage", "@circuitgarage", 8'700'000, Verified::Yes,
            "Repairing, rebuilding and soldering old electronics back to life."),
        creator("ch_trail", "Trail Notes", "@trailnotes", 1'180'000, Verified::Yes,
            "Long walks, mountain huts and night trains across Europe."),
        creator("ch_pixel", "Pixel Forge", "@pixelforge", 640'000, Verified::No,
            "Speedruns, pixel art and the tricks behind classic games."),
        creator("ch_groove", "Groove Theory", "@groovetheory", 300'000, Verified::No,
            "Bass lines and rhythm, taken apart one bar at a time."),
    };
}

}
