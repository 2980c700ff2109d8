// A Home-shaped page — a grid of 80 cards, each a thumbnail box over two lines of text — in a
// scroll view at 1280x800: one whole frame (build, solve, record, paint every pixel offscreen)
// and one scroll frame (move the offset, record, paint what the moved pixels of the last frame
// do not give; no solve).

#include <benchmark/benchmark.h>

#include "kaso/ui/FrameCanvas.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Offscreen.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/Text.h"
#include "src/widgets/Flex.h"

using namespace kaso::ui;
using namespace vexa;

namespace {

class HomeShaped final : public Widget {
public:
    HomeShaped()
        : m_cell(std::make_shared<ScrollOffset>())
    {
        rebuild();
    }
    void rebuild()
    {
        auto theme = Theme::dark();
        auto grid = Flex::column().grid_min_column(280).gap(16).width(Length::fill());
        for (int i = 0; i < 80; ++i) {
            grid.with_child(Flex::column()
                                .width(Length::fill())
                                .gap(9)
                                .padding(6)
                                .hover_style(BoxStyle::filled(theme.control_fill_hover, 12))
                                .with_child(Flex::row().width(Length::fill()).height(Length::px(158)).style(BoxStyle::filled(theme.control_fill, 12)))
                                .with_child(Text("A reasonably long video title number " + std::to_string(i) + " that wraps onto two lines").size(14.5f).color(theme.text).max_lines(2).wrap(true))
                                .with_child(Text("Creator " + std::to_string(i % 7) + " · 1.2M views · 3 days ago").size(12.5f).color(theme.text_muted).wrap(true)));
        }
        auto page = Flex::column().width(Length::fill()).padding(24).block(true).with_child(std::move(grid));
        m_scroll = std::make_unique<Scrollable>(Scrollable().with_child(std::move(page)).with_persisted_offset("home", m_cell));
        m_dirty = true;
    }
    void for_each_child(std::function<void(Widget&)> const& visit) override { visit(*m_scroll); }
    bool take_structure_dirty() override { return std::exchange(m_dirty, false); }
    Scrollable& scroll() { return *m_scroll; }

private:
    ScrollOffsetCell m_cell;
    std::unique_ptr<Scrollable> m_scroll;
    bool m_dirty { true };
};

void BM_WholeFrame(benchmark::State& state)
{
    auto owned = std::make_unique<HomeShaped>();
    auto& home = *owned;
    FrameDriver driver(std::move(owned), Theme::dark());
    driver.set_viewport(1280, 800, 1.0f);
    uint64_t now = 0;
    FrameCanvas canvas; // its memory reused from frame to frame, as the window's is
    for (auto _ : state) {
        home.rebuild();
        canvas.invalidate(); // nothing of the last frame is reused: every pixel is painted
        auto painted = render_offscreen_into(driver, now += 16, canvas);
        benchmark::DoNotOptimize(painted);
    }
}
BENCHMARK(BM_WholeFrame)->Unit(benchmark::kMillisecond);

void BM_ScrollFrame(benchmark::State& state)
{
    auto owned = std::make_unique<HomeShaped>();
    auto& home = *owned;
    FrameDriver driver(std::move(owned), Theme::dark());
    driver.set_viewport(1280, 800, 1.0f);
    (void)render_offscreen(driver, 0);
    auto builds = driver.layout_builds();
    uint64_t now = 0;
    float y = 0;
    FrameCanvas canvas; // kept from frame to frame, as the window's is
    for (auto _ : state) {
        y = y > 2000 ? 0 : y + 48;
        home.scroll().scroll_to(ScrollOffset { 0, y });
        auto painted = render_offscreen_into(driver, now += 16, canvas);
        benchmark::DoNotOptimize(painted);
    }
    if (driver.layout_builds() != builds)
        state.SkipWithError("a scroll rebuilt the layout");
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
