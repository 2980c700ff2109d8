#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "kaso/media/MediaEngine.h"
#include "tests/media/EngineDriver.h"

using namespace std::chrono_literals;
using namespace kaso::media;
using kaso::media::testing::EngineDriver;

namespace {

// This process sees a GStreamer with only two plugins: the test picture and appsink. playbin is
// missing, so the real engine must come out as the null engine, while the synthesized one works.
class NullEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_directory = std::filesystem::temp_directory_path() / ("kaso-media-plugins-" + std::to_string(getpid()));
        std::filesystem::create_directories(s_directory);
        std::filesystem::path plugins = GST_PLUGINS_DIR;
        for (auto const* plugin : { "libgstvideotestsrc.so", "libgstapp.so" })
            std::filesystem::create_symlink(plugins / plugin, s_directory / plugin);
        setenv("GST_PLUGIN_SYSTEM_PATH_1_0", s_directory.c_str(), 1);
        setenv("GST_REGISTRY_1_0", (s_directory / "registry.bin").c_str(), 1);
        unsetenv("GST_PLUGIN_PATH_1_0");
        unsetenv("GST_PLUGIN_PATH");
    }

    static void TearDownTestSuite()
    {
        std::error_code ignored;
        std::filesystem::remove_all(s_directory, ignored);
    }

    static void expect_no_picture_ever(MediaEngine& engine, std::string const& address)
    {
        EngineDriver driver(engine);
        auto opened = engine.open(address);
        ASSERT_FALSE(opened.has_value());
        engine.play();
        engine.seek_to_ms(30'000);
        driver.pump_for(500ms);
        auto errors = driver.events_of<MediaError>();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].message, opened.error().message);
        EXPECT_FALSE(driver.saw<FirstFrame>());
        EXPECT_EQ(engine.current_frame(), nullptr);
        EXPECT_FALSE(engine.is_ready());
        EXPECT_FALSE(engine.is_playing());
        EXPECT_EQ(engine.state(), PlaybackState::Failed);
        EXPECT_EQ(engine.position_ms(), 0u);
        EXPECT_EQ(engine.duration_ms(), std::nullopt);
    }

    static inline std::filesystem::path s_directory;
};

}

TEST_F(NullEngine, MissingPlaybinGivesTheNullEngineNotTheTestPicture)
{
    auto engine = MediaEngine::create();
    EXPECT_EQ(engine->kind(), EngineKind::Null);
    EXPECT_FALSE(engine->decodes_real_media());
    EXPECT_NE(engine->unavailable_reason().find("\"playbin\""), std::string::npos) << engine->unavailable_reason();
    expect_no_picture_ever(*engine, "http://127.0.0.1:9/clip.webm");
}

TEST_F(NullEngine, SynthesizedEngineStillWorksWhereItsElementsExist)
{
    auto engine = MediaEngine::create_synthesized();
    ASSERT_EQ(engine->kind(), EngineKind::Synthesized) << engine->unavailable_reason();
    ASSERT_TRUE(engine->open("https://demo.kaso.invalid/clip.mp4").has_value());
    EngineDriver driver(*engine);
    EXPECT_TRUE(driver.wait_for<FirstFrame>(10s));
}

TEST_F(NullEngine, ExplicitNullEngineReportsItsReason)
{
    auto engine = MediaEngine::create_null("GStreamer is not installed");
    EXPECT_EQ(engine->kind(), EngineKind::Null);
    EXPECT_EQ(engine->unavailable_reason(), "GStreamer is not installed");
    expect_no_picture_ever(*engine, "https://media.example/clip.webm");
    // Opening again reports again.
    EXPECT_FALSE(engine->open("https://media.example/clip.webm").has_value());
    auto events = engine->poll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::get<MediaError>(events[0]).message, "MediaEngine: no media engine: GStreamer is not installed");
}
