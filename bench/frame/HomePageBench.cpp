// The real Home page with the sample catalogue — video cards with avatars, titles and meta
// lines, and pictures decoded from an injected fetch — in a scroll view at 1280x800: one whole
// frame (rebuild, solve, record, paint every pixel offscreen) and one scroll frame (move the
// offset, record, paint what the moved pixels of the last frame do not give; no solve). The
// pictures are fetched and decoded before timing starts, as they are once a page has been
// shown.

#include <benchmark/benchmark.h>

#include <cstring>

#include "kaso/ui/FrameCanvas.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Offscreen.h"
#include "kaso/ui/Scrollable.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/FeedPages.h"

using namespace kaso::ui;
using namespace vexa;

namespace {

// A 480x270 PNG, the size of a typical thumbnail, shaded from the address.
std::optional<std::vector<uint8_t>> fake_picture(std::string_view address)
{
    Image image;
    image.width = 480;
    image.height = 270;
    image.stride = image.width * 4;
    image.opaque = true;
    image.pixels.resize(std::size_t(image.stride) * std::size_t(image.height));
    uint8_t shade = uint8_t(address.size() * 29);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            uint32_t pixel = 0xff000000u | (uint32_t(shade) << 16) | (uint32_t(x & 0xff) << 8) | uint32_t(y & 0xff);
            std::memcpy(&image.pixels[std::size_t(y) * std::size_t(image.stride) + std::size_t(x) * 4], &pixel, 4);
        }
    auto encoded = encode_png(image);
    if (!encoded)
        return std::nullopt;
    std::vector<uint8_t> bytes(encoded->size());
    std::memcpy(bytes.data(), encoded->data(), bytes.size());
    return bytes;
}

class HomeRoot final : public Widget {
public:
    HomeRoot()
        : m_model(sample_catalogue())
        , m_queue(OperationQueue::create())
        , m_store(std::make_shared<image_store::ImageStore>(fake_picture))
        , m_cell(std::make_shared<ScrollOffset>())
    {
        for (auto& video : m_model.videos)
            video.thumbnail_url = "bench://thumbnail/" + video.id;
        for (auto& channel : m_model.channels)
            channel.avatar_url = "bench://avatar/" + channel.id;
        rebuild();
    }
    void rebuild()
    {
        auto page = home_screen(m_model, m_theme, 1.0f, m_queue, m_store);
        m_scroll = std::make_unique<Scrollable>(std::move(page).with_persisted_offset("home", m_cell));
        m_dirty = true;
    }
    void for_each_child(std::function<void(Widget&)> const& visit) override { visit(*m_scroll); }
    bool take_structure_dirty() override { return std::exchange(m_dirty, false); }
    Scrollable& scroll() { return *m_scroll; }
    image_store::ImageStore& store() { return *m_store; }

private:
    VexaModel m_model;
    Theme m_theme { Theme::dark() };
    OperationQueueHandle m_queue;
    image_store::SharedImageStore m_store;
    ScrollOffsetCell m_cell;
    std::unique_ptr<Scrollable> m_scroll;
    bool m_dirty { true };
};

// A driver over the Home page whose pictures have all arrived.
std::pair<std::unique_ptr<FrameDriver>, HomeRoot*> warmed_home(benchmark::State& state)
{
    auto owned = std::make_unique<HomeRoot>();
    auto* home = owned.get();
    auto driver = std::make_unique<FrameDriver>(std::move(owned), Theme::dark());
    driver->set_viewport(1280, 800, 1.0f);
    (void)render_offscreen(*driver, 0);
    if (!home->store().block_until_idle(std::chrono::seconds(30)))
        state.SkipWithError("the pictures did not arrive");
    (void)render_offscreen(*driver, 16);
    return { std::move(driver), home };
}

void BM_HomePageWholeFrame(benchmark::State& state)
{
    auto [driver, home] = warmed_home(state);
    uint64_t now = 32;
    FrameCanvas canvas; // its memory reused from frame to frame, as the window's is
    for (auto _ : state) {
        home->rebuild();
        canvas.invalidate(); // nothing of the last frame is reused: every pixel is painted
        auto painted = render_offscreen_into(*driver, now += 16, canvas);
        benchmark::DoNotOptimize(painted);
    }
}
BENCHMARK(BM_HomePageWholeFrame)->Unit(benchmark::kMillisecond);

void BM_HomePageScrollFrame(benchmark::State& state)
{
    auto [driver, home] = warmed_home(state);
    auto builds = driver->layout_builds();
    uint64_t now = 32;
    float y = 0;
    FrameCanvas canvas; // kept from frame to frame, as the window's is
    (void)render_offscreen_into(*driver, now, canvas);
    for (auto _ : state) {
        y = y > 600 ? 0 : y + 48;
        home->scroll().scroll_to(ScrollOffset { 0, y });
        auto painted = render_offscreen_into(*driver, now += 16, canvas);
        benchmark::DoNotOptimize(painted);
    }
    if (driver->layout_builds() != builds)
        state.SkipWithError("a scroll rebuilt the layout");
}
BENCHMARK(BM_HomePageScrollFrame)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
