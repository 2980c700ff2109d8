#include <gtest/gtest.h>

#include "kaso/media/MediaAddress.h"

using kaso::media::checked_media_address;

TEST(MediaAddress, AcceptsHttpHttpsAndAbsoluteFiles)
{
    struct Case {
        char const* address;
        char const* expected;
    };
    Case const cases[] = {
        { "http://127.0.0.1:8080/clip.webm", "http://127.0.0.1:8080/clip.webm" },
        { "https://media.example/videoplayback?id=1&range=0-", "https://media.example/videoplayback?id=1&range=0-" },
        { "HTTPS://Host/Path", "https://Host/Path" },
        { "file:///tmp/clip.webm", "file:///tmp/clip.webm" },
    };
    for (auto const& c : cases) {
        auto checked = checked_media_address(c.address);
        ASSERT_TRUE(checked.has_value()) << c.address << ": " << checked.error().message;
        EXPECT_EQ(*checked, c.expected);
    }
}

TEST(MediaAddress, RefusesEverythingElseWithAMessage)
{
    struct Case {
        std::string address;
        char const* message_part;
    };
    Case const cases[] = {
        { "", "empty" },
        { "/tmp/clip.webm", "no scheme" },
        { "ftp://host/clip.webm", "\"ftp\" is not played" },
        { "rtsp://camera/stream", "\"rtsp\" is not played" },
        { "javascript://alert(1)", "\"javascript\" is not played" },
        { "https://", "no host" },
        { "http:///path", "no host" },
        { "file://relative/path", "absolute path" },
        { "https://host/a b", "whitespace or control" },
        { "https://host/a\nb", "whitespace or control" },
        { std::string("https://host/a\0b", 16), "whitespace or control" },
        { "https://host/" + std::string(70'000, 'a'), "too long" },
    };
    for (auto const& c : cases) {
        auto checked = checked_media_address(c.address);
        ASSERT_FALSE(checked.has_value()) << c.address;
        EXPECT_NE(checked.error().message.find(c.message_part), std::string::npos) << checked.error().message;
        EXPECT_TRUE(checked.error().message.starts_with("MediaEngine: ")) << checked.error().message;
    }
}
