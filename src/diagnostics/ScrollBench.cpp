#include "src/diagnostics/ScrollBench.h"

#include <algorithm>
#include <numeric>

#include "kaso/platform/Clock.h"
#include "kaso/ui/Event.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/Theme.h"
#include "src/app/VexaApp.h"
#include "src/backend/SampleCatalogue.h"
#include "src/diagnostics/Console.h"

namespace vexa {

namespace {

using Clock = std::chrono::steady_clock;

// A wheel turned three notches towards the user, in the runtime's pixels per notch: enough to
// move the page on every frame.
constexpr double wheel_notches = -3.0;
constexpr double pixels_per_notch = 48.0;

BenchDuration since(Clock::time_point start) { return std::chrono::duration_cast<BenchDuration>(Clock::now() - start); }

double in_ms(BenchDuration duration) { return double(duration.count()) / 1000.0; }

std::string first_watch_id(VexaModel const& model)
{
    for (auto const& video : model.videos)
        if (!video.comments.empty())
            return video.id;
    return model.videos.empty() ? std::string() : model.videos.front().id;
}

// The frame's pieces, as the window's driver keeps them.
struct BenchFrame {
    kaso::ui::Theme theme { kaso::ui::Theme::dark() };
    kaso::ui::TextRenderer text;
    kaso::layout::Tree tree;
    kaso::ui::NodeMap nodes;
    kaso::layout::NodeId root;

    void solve() { tree.compute_layout(root, kaso::layout::AvailableSpace::definite(bench_width), kaso::layout::AvailableSpace::definite(bench_height)); }
    void draw(kaso::ui::Widget& widget)
    {
        kaso::ui::Scene scene;
        kaso::ui::DrawContext context { text, theme, kaso::ui::Rect { 0, 0, bench_width, bench_height }, kaso::platform::monotonic_ms() };
        widget.draw(scene, context);
        widget.draw_overlay(scene, context);
        widget.mark_drawn();
    }
};

std::vector<BenchDuration> frame_totals(ScrollBenchStats const& stats)
{
    auto count = std::min({ stats.sync_times.size(), stats.compute_times.size(), stats.apply_times.size(), stats.draw_times.size() });
    std::vector<BenchDuration> totals;
    totals.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        totals.push_back(stats.sync_times[i] + stats.compute_times[i] + stats.apply_times[i] + stats.draw_times[i]);
    return totals;
}

}

std::string scroll_bench_description(ScrollBenchScene const& scene)
{
    if (!scene.watch)
        return fmt::format("{} Home cards", bench_home_cards);
    return std::string("watch page (player + 60 comments)") + (scene.loaded ? " [loaded+paused player]" : "");
}

VexaModel bench_home_model()
{
    auto model = sample_catalogue();
    auto const originals = model.videos;
    for (std::size_t k = 1; model.videos.size() < bench_home_cards && !originals.empty(); ++k) {
        auto copy = originals[(k - 1) % originals.size()];
        copy.id = fmt::format("{}_{}", copy.id, k);
        copy.seed = copy.id;
        model.videos.push_back(std::move(copy));
    }
    return model;
}

VexaModel bench_watch_model()
{
    auto model = sample_catalogue();
    auto id = first_watch_id(model);
    for (auto& video : model.videos) {
        if (video.id != id || video.comments.empty())
            continue;
        auto const own = video.comments;
        for (std::size_t i = 0; video.comments.size() < bench_watch_comments; ++i)
            video.comments.push_back(own[i % own.size()]);
    }
    model.route = Route::watch(id);
    return model;
}

BenchDuration median_duration(std::span<BenchDuration const> durations)
{
    if (durations.empty())
        return BenchDuration::zero();
    std::vector<BenchDuration> sorted(durations.begin(), durations.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

BenchDuration max_duration(std::span<BenchDuration const> durations)
{
    if (durations.empty())
        return BenchDuration::zero();
    return *std::max_element(durations.begin(), durations.end());
}

kaso::ErrorOr<ScrollBenchStats> run_scroll_bench(ScrollBenchScene const& scene, LayoutSolve solve)
{
    bool const force = solve == LayoutSolve::EveryFrame;
    auto model = scene.watch ? bench_watch_model() : bench_home_model();
    auto watch_id = scene.watch ? model.route.text : std::string();
    auto app = VexaApp::create_for_diagnostics();
    app->set_viewport(bench_width, bench_height).with_model(std::move(model));
    if (scene.watch && scene.loaded && !watch_id.empty())
        app->bench_watch_state(watch_id);

    BenchFrame frame;
    kaso::ui::SyncContext sync_context { nullptr, kaso::platform::monotonic_ms() };
    app->sync(sync_context);
    (void)app->take_structure_dirty();
    kaso::ui::BuildContext build_context { frame.theme, 1.0f, frame.text };
    frame.root = app->build_layout(frame.tree, build_context, frame.nodes);
    auto style = frame.tree.style(frame.root);
    style.size.width = kaso::layout::Dimension::px(float(bench_width));
    style.size.height = kaso::layout::Dimension::px(float(bench_height));
    frame.tree.set_style(frame.root, style);
    frame.solve();
    app->apply_layout(frame.tree, frame.root, 0, 0);
    frame.draw(*app);

    ScrollBenchStats stats;
    kaso::ui::Scroll wheel { bench_width / 2.0, bench_height / 2.0, 0.0, -wheel_notches * pixels_per_notch };
    kaso::ui::Event event = wheel;
    for (uint64_t i = 0; i < scene.frames; ++i) {
        sync_context.now_ms = kaso::platform::monotonic_ms();
        auto start = Clock::now();
        app->sync(sync_context);
        stats.sync_times.push_back(since(start));

        kaso::ui::EventContext event_context { .event = event, .modifiers = {}, .scale = 1.0f };
        app->handle_event(event_context);

        bool needs_measure = app->layout_needs_measure();
        if (force || needs_measure) {
            if (force)
                for (auto const& [widget, node] : frame.nodes)
                    frame.tree.mark_dirty(node);
            else
                for (auto const& [widget, node] : frame.nodes)
                    if (widget->is_layout_dirty())
                        frame.tree.mark_dirty(node);
            start = Clock::now();
            frame.solve();
            stats.compute_times.push_back(since(start));
        } else {
            stats.compute_times.push_back(BenchDuration::zero());
        }
        if (!needs_measure)
            stats.fast_path = true;

        start = Clock::now();
        app->apply_layout(frame.tree, frame.root, 0, 0);
        stats.apply_times.push_back(since(start));

        start = Clock::now();
        frame.draw(*app);
        stats.draw_times.push_back(since(start));
    }
    return stats;
}

void print_scroll_bench_report(Console& console, std::string_view label, ScrollBenchStats const& stats)
{
    auto totals = frame_totals(stats);
    auto sum = std::accumulate(totals.begin(), totals.end(), BenchDuration::zero());
    auto average = totals.empty() ? BenchDuration::zero() : BenchDuration(sum.count() / BenchDuration::rep(totals.size()));
    console.out("  {:<20} frame(total)  median {:>5.2f}ms  avg {:>5.2f}ms  max {:>5.2f}ms", label, in_ms(median_duration(totals)),
        in_ms(average), in_ms(max_duration(totals)));
    console.out("  {:<20}   sync med/max {:>5.2f}/{:>6.2f} | compute med/max {:>5.2f}/{:>6.2f} | apply med/max {:>5.2f}/{:>6.2f} | draw "
                "med/max {:>5.2f}/{:>6.2f} ms",
        "", in_ms(median_duration(stats.sync_times)), in_ms(max_duration(stats.sync_times)), in_ms(median_duration(stats.compute_times)),
        in_ms(max_duration(stats.compute_times)), in_ms(median_duration(stats.apply_times)), in_ms(max_duration(stats.apply_times)),
        in_ms(median_duration(stats.draw_times)), in_ms(max_duration(stats.draw_times)));
}

ModeOutcome run_bench_scroll_mode(Console& console, ScrollBenchScene const& scene)
{
    console.out("vexa scroll bench: {}, {}x{}, {} scroll frames", scroll_bench_description(scene), bench_width, bench_height, scene.frames);
    console.out("");
    auto baseline = TRY(run_scroll_bench(scene, LayoutSolve::EveryFrame));
    print_scroll_bench_report(console, "BASELINE (re-solve)", baseline);
    auto fast = TRY(run_scroll_bench(scene, LayoutSolve::WhenNeeded));
    print_scroll_bench_report(console, "FAST (reposition)", fast);
    console.out("");
    console.out("  scroll frames took the reposition-only fast path: {}", fast.fast_path ? "yes (compute_layout skipped)" : "NO — investigate");
    auto totals = frame_totals(fast);
    console.out("  FAST-path median frame (incl. sync): {:.2f}ms  (sync med {:.2f}ms)", in_ms(median_duration(totals)),
        in_ms(median_duration(fast.sync_times)));
    return ExitStatus::Success;
}

}
