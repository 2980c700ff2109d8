#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include <gio/gio.h>
#include <gtest/gtest.h>

#include "kaso/media/MediaControls.h"

using namespace std::chrono_literals;
using namespace kaso::media;
using Kind = MediaCommand::Kind;

namespace {

constexpr char const* player = "org.mpris.MediaPlayer2.Player";
constexpr char const* root = "org.mpris.MediaPlayer2";
constexpr char const* path = "/org/mpris/MediaPlayer2";

// Pumps the controls, as the UI thread does each frame, until `done` holds or the time is up.
template<typename Done>
bool pump_until(MediaControls& controls, std::vector<MediaCommand>& commands, Done done, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        for (auto const& command : controls.pump())
            commands.push_back(command);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
}

// A second client on the test's bus, as a desktop shell would be. Its calls block, so each runs on
// a thread of its own while the test thread keeps pumping the controls.
class BusClient {
public:
    BusClient()
    {
        char const* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (!address)
            return;
        GError* error = nullptr;
        m_connection = g_dbus_connection_new_for_address_sync(address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
    }
    ~BusClient()
    {
        if (m_connection)
            g_object_unref(m_connection);
    }
    bool connected() const { return m_connection != nullptr; }
    GDBusConnection* connection() const { return m_connection; }

    // The reply of one call, or none after an error or five seconds.
    GVariant* call(MediaControls& controls, std::vector<MediaCommand>& commands, char const* destination,
        char const* object, char const* interface, char const* method, GVariant* parameters)
    {
        auto reply = std::async(std::launch::async, [=, this] {
            return g_dbus_connection_call_sync(m_connection, destination, object, interface, method, parameters,
                nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        });
        pump_until(controls, commands, [&] { return reply.wait_for(0s) == std::future_status::ready; }, 6s);
        return reply.get();
    }

    GVariant* get(MediaControls& controls, char const* interface, char const* property)
    {
        std::vector<MediaCommand> ignored;
        GVariant* reply = call(controls, ignored, controls.bus_name().c_str(), path, "org.freedesktop.DBus.Properties",
            "Get", g_variant_new("(ss)", interface, property));
        if (!reply)
            return nullptr;
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }

    bool name_has_owner(MediaControls& controls, std::string const& name)
    {
        std::vector<MediaCommand> ignored;
        GVariant* reply = call(controls, ignored, "org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name.c_str()));
        if (!reply)
            return false;
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
        return owned;
    }

private:
    GDBusConnection* m_connection { nullptr };
};

std::string string_of(GVariant* value)
{
    if (!value)
        return "<no reply>";
    std::string text = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr) : "<not a string>";
    g_variant_unref(value);
    return text;
}

class MediaControlsOnBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        ASSERT_TRUE(client.connected());
        controls = MediaControls::start("kaso-vexa", "Kaso Vexa");
        ASSERT_TRUE(pump_until(*controls, commands, [&] { return controls->is_published(); }, 5s));
    }

    BusClient client;
    std::unique_ptr<MediaControls> controls;
    std::vector<MediaCommand> commands;
};

}

TEST_F(MediaControlsOnBus, OwnsItsNameWithItsIdentityAndReleasesItWhenDropped)
{
    EXPECT_EQ(controls->bus_name(), "org.mpris.MediaPlayer2.kaso-vexa");
    EXPECT_TRUE(client.name_has_owner(*controls, controls->bus_name()));
    EXPECT_EQ(string_of(client.get(*controls, root, "Identity")), "Kaso Vexa");

    auto name = controls->bus_name();
    controls.reset();
    auto later = MediaControls::start("someone-else", "Someone else");
    auto deadline = std::chrono::steady_clock::now() + 5s;
    bool released = false;
    while (!released && std::chrono::steady_clock::now() < deadline)
        released = !client.name_has_owner(*later, name);
    EXPECT_TRUE(released);
}

TEST_F(MediaControlsOnBus, ControlsDroppedWhileConnectingLeaveTheBusUsableForTheNext)
{
    // With no other connection alive, each start begins a fresh connection to the process's shared
    // session bus; dropping the controls before it completes must not leave that connection failed.
    controls.reset();
    for (int round = 0; round < 3; ++round) {
        MediaControls::start("kaso-vexa-brief", "Brief").reset();
        auto next = MediaControls::start("kaso-vexa-next", "Next");
        std::vector<MediaCommand> ignored;
        EXPECT_TRUE(pump_until(*next, ignored, [&] { return next->is_published(); }, 5s)) << "round " << round;
        EXPECT_FALSE(next->is_unavailable());
    }
}

TEST_F(MediaControlsOnBus, AnswersPlaybackStatusPositionAndMetadata)
{
    EXPECT_EQ(string_of(client.get(*controls, player, "PlaybackStatus")), "Stopped");
    controls->set_playback(ControlsStatus::Playing, 12'000);
    EXPECT_EQ(string_of(client.get(*controls, player, "PlaybackStatus")), "Playing");
    controls->set_playback(ControlsStatus::Paused, 12'500);
    EXPECT_EQ(string_of(client.get(*controls, player, "PlaybackStatus")), "Paused");
    GVariant* position = client.get(*controls, player, "Position");
    ASSERT_NE(position, nullptr);
    EXPECT_EQ(g_variant_get_int64(position), 12'500'000);
    g_variant_unref(position);

    controls->set_now_playing(NowPlaying {
        .video_id = "vid-donut.1",
        .title = "Glazing a donut",
        .artist = "Bakery Channel",
        .art_url = "https://img.example/vid_donut.jpg",
        .length_ms = 754'000,
    });
    GVariant* metadata = client.get(*controls, player, "Metadata");
    ASSERT_NE(metadata, nullptr);
    GVariantDict dict;
    g_variant_dict_init(&dict, metadata);
    char const* text = nullptr;
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "xesam:title", "&s", &text));
    EXPECT_STREQ(text, "Glazing a donut");
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "mpris:artUrl", "&s", &text));
    EXPECT_STREQ(text, "https://img.example/vid_donut.jpg");
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "mpris:trackid", "&o", &text));
    EXPECT_STREQ(text, "/org/kaso/media/track/vid_2ddonut_2e1");
    gint64 length = 0;
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "mpris:length", "x", &length));
    EXPECT_EQ(length, 754'000'000);
    GVariant* artists = g_variant_dict_lookup_value(&dict, "xesam:artist", G_VARIANT_TYPE_STRING_ARRAY);
    ASSERT_NE(artists, nullptr);
    gsize count = 0;
    char const** names = g_variant_get_strv(artists, &count);
    ASSERT_EQ(count, 1u);
    EXPECT_STREQ(names[0], "Bakery Channel");
    g_free(names);
    g_variant_unref(artists);
    g_variant_dict_clear(&dict);
    g_variant_unref(metadata);
}

TEST_F(MediaControlsOnBus, AnnouncesStatusMetadataAndSeeks)
{
    // Signals reach the client through a context of its own, iterated beside the controls.
    GMainContext* context = g_main_context_new();
    std::vector<std::string> heard;
    g_main_context_push_thread_default(context);
    guint subscription = g_dbus_connection_signal_subscribe(client.connection(), nullptr, nullptr, nullptr, path,
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, char const*, char const*, char const*, char const* signal, GVariant* parameters,
            gpointer sink) {
            auto& heard = *static_cast<std::vector<std::string>*>(sink);
            if (std::string_view(signal) == "Seeked") {
                gint64 position = 0;
                g_variant_get(parameters, "(x)", &position);
                heard.push_back("Seeked " + std::to_string(position));
                return;
            }
            char const* interface = nullptr;
            GVariant* changed = nullptr;
            g_variant_get(parameters, "(&s@a{sv}@as)", &interface, &changed, nullptr);
            GVariantIter iter;
            g_variant_iter_init(&iter, changed);
            char const* key = nullptr;
            GVariant* value = nullptr;
            while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
                heard.push_back(std::string(interface) + " " + key);
                g_variant_unref(value);
            }
            g_variant_unref(changed);
        },
        &heard, nullptr);
    g_main_context_pop_thread_default(context);
    // A call after subscribing: the bus has the match rule before the controls say anything.
    EXPECT_TRUE(client.name_has_owner(*controls, controls->bus_name()));

    controls->set_playback(ControlsStatus::Playing, 0);
    controls->set_playback(ControlsStatus::Playing, 40); // no change of status: nothing said
    controls->set_now_playing(NowPlaying { .video_id = "v", .title = "t", .artist = "a", .art_url = {}, .length_ms = {} });
    controls->set_now_playing(NowPlaying { .video_id = "v", .title = "t", .artist = "a", .art_url = {}, .length_ms = {} });
    controls->notify_seeked(30'000);
    std::vector<std::string> const expected {
        "org.mpris.MediaPlayer2.Player PlaybackStatus",
        "org.mpris.MediaPlayer2.Player Metadata",
        "Seeked 30000000",
    };
    pump_until(*controls, commands, [&] {
        while (g_main_context_iteration(context, FALSE)) { }
        return heard.size() >= expected.size();
    }, 5s);
    EXPECT_EQ(heard, expected);
    g_dbus_connection_signal_unsubscribe(client.connection(), subscription);
    while (g_main_context_iteration(context, FALSE)) { }
    g_main_context_unref(context);
}

TEST_F(MediaControlsOnBus, TitleThatIsNotUtf8StillAnswers)
{
    controls->set_now_playing(NowPlaying { .video_id = "x", .title = "bad \xff\xfe title", .artist = "\xc3", .art_url = {}, .length_ms = {} });
    GVariant* metadata = client.get(*controls, player, "Metadata");
    ASSERT_NE(metadata, nullptr);
    GVariantDict dict;
    g_variant_dict_init(&dict, metadata);
    char const* text = nullptr;
    ASSERT_TRUE(g_variant_dict_lookup(&dict, "xesam:title", "&s", &text));
    EXPECT_TRUE(g_utf8_validate(text, -1, nullptr));
    EXPECT_FALSE(g_variant_dict_contains(&dict, "mpris:artUrl"));
    g_variant_dict_clear(&dict);
    g_variant_unref(metadata);
}

TEST_F(MediaControlsOnBus, DesktopCallsBecomeCommands)
{
    controls->set_now_playing(NowPlaying { .video_id = "vid_donut", .title = "t", .artist = "a", .art_url = {}, .length_ms = 60'000 });
    auto const* name = controls->bus_name().c_str();
    struct Call {
        char const* method;
        GVariant* parameters;
    };
    Call const calls[] = {
        { "PlayPause", nullptr },
        { "Pause", nullptr },
        { "Play", nullptr },
        { "Seek", g_variant_new("(x)", G_GINT64_CONSTANT(-5'000'000)) },
        { "SetPosition", g_variant_new("(ox)", "/org/kaso/media/track/vid_5fdonut", G_GINT64_CONSTANT(30'000'000)) },
        // A stale track and a negative position are ignored.
        { "SetPosition", g_variant_new("(ox)", "/org/kaso/media/track/other", G_GINT64_CONSTANT(1'000'000)) },
        { "SetPosition", g_variant_new("(ox)", "/org/kaso/media/track/vid_5fdonut", G_GINT64_CONSTANT(-1)) },
        { "Next", nullptr },
    };
    for (auto const& call : calls) {
        GVariant* reply = client.call(*controls, commands, name, path, player, call.method, call.parameters);
        ASSERT_NE(reply, nullptr) << call.method;
        g_variant_unref(reply);
    }
    std::vector<MediaCommand> const expected {
        { Kind::PlayPause, 0 },
        { Kind::Pause, 0 },
        { Kind::Play, 0 },
        { Kind::SeekBy, -5'000 },
        { Kind::SetPosition, 30'000 },
        { Kind::Next, 0 },
    };
    EXPECT_EQ(commands, expected);
}

TEST(MediaControlsWithoutBus, CarryOnDoingNothing)
{
    // Run by ctest with a session bus address that leads nowhere.
    for (int round = 0; round < 2; ++round) {
        auto controls = MediaControls::start("kaso-vexa", "Kaso Vexa");
        std::vector<MediaCommand> commands;
        ASSERT_TRUE(pump_until(*controls, commands, [&] { return controls->is_unavailable(); }, 5s));
        EXPECT_FALSE(controls->is_published());
        controls->set_now_playing(NowPlaying { .video_id = "v", .title = "t", .artist = "a", .art_url = {}, .length_ms = {} });
        controls->set_playback(ControlsStatus::Playing, 1'000);
        controls->notify_seeked(2'000);
        EXPECT_TRUE(controls->pump().empty());
        EXPECT_TRUE(commands.empty());
    }
}

TEST(MediaControlsWithoutBus, DroppedWhileStillConnecting)
{
    for (int round = 0; round < 3; ++round)
        MediaControls::start("kaso-vexa", "Kaso Vexa").reset();
}
