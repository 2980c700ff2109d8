#include "kaso/media/MediaControls.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gio/gio.h>

#include "kaso/media/MprisMetadata.h"
#include "kaso/platform/Error.h"
#include "kaso/platform/Log.h"

namespace kaso::media {

namespace {

auto logger() { return kaso::log::target("kaso::media"); }

char const* status_text(ControlsStatus status)
{
    switch (status) {
    case ControlsStatus::Playing: return "Playing";
    case ControlsStatus::Paused: return "Paused";
    case ControlsStatus::Stopped: return "Stopped";
    }
    return "Stopped";
}

void log_no_bus_once(char const* why)
{
    static std::atomic<bool> s_logged { false };
    if (!s_logged.exchange(true))
        logger()->info("no session bus; desktop media controls are off reason={}", kaso::debug_text(why));
}

}

struct PendingConnection;

struct MediaControls::State {
    std::string bus_name;
    std::string display_name;
    GMainContext* context { g_main_context_new() };
    GCancellable* cancellable { g_cancellable_new() };
    GDBusConnection* connection { nullptr };
    GDBusNodeInfo* node { nullptr };
    guint root_registration { 0 };
    guint player_registration { 0 };
    guint name_owner { 0 };
    PendingConnection* pending { nullptr };  // set while the connection attempt runs
    bool published { false };
    bool unavailable { false };

    std::optional<NowPlaying> now_playing;
    ControlsStatus status { ControlsStatus::Stopped };
    uint64_t position_ms { 0 };
    std::vector<MediaCommand> commands;

    // Iterates the private context with it as the thread default, so that every callback GDBus
    // arranges from here on is delivered to it.
    void run_pending()
    {
        g_main_context_push_thread_default(context);
        while (g_main_context_iteration(context, FALSE)) { }
        g_main_context_pop_thread_default(context);
    }

    void emit_player_changes(char const* property, GVariant* value)
    {
        if (!connection || !published) {
            g_variant_unref(g_variant_ref_sink(value));
            return;
        }
        GVariantBuilder changed;
        g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&changed, "{sv}", property, value);
        g_dbus_connection_emit_signal(connection, nullptr, mpris::object_path, "org.freedesktop.DBus.Properties",
            "PropertiesChanged", g_variant_new("(sa{sv}as)", mpris::player_interface, &changed, nullptr), nullptr);
    }

    GVariant* property(char const* interface, char const* name) const
    {
        std::string_view n(name);
        if (std::string_view(interface) == mpris::root_interface) {
            if (n == "Identity")
                return g_variant_new_string(display_name.c_str());
            if (n == "SupportedUriSchemes" || n == "SupportedMimeTypes")
                return g_variant_new_strv(nullptr, 0);
            return g_variant_new_boolean(FALSE); // CanQuit, CanRaise, HasTrackList
        }
        if (n == "PlaybackStatus")
            return g_variant_new_string(status_text(status));
        if (n == "Metadata")
            return mpris::metadata(now_playing ? &*now_playing : nullptr);
        if (n == "Position")
            return g_variant_new_int64(mpris::microseconds(position_ms));
        if (n == "Rate" || n == "Volume" || n == "MinimumRate" || n == "MaximumRate")
            return g_variant_new_double(1.0);
        if (n == "CanGoNext" || n == "CanGoPrevious")
            return g_variant_new_boolean(FALSE);
        return g_variant_new_boolean(TRUE); // CanPlay, CanPause, CanSeek, CanControl
    }

    void call(char const* method, GVariant* parameters, GDBusMethodInvocation* invocation)
    {
        std::string_view m(method);
        using Kind = MediaCommand::Kind;
        if (m == "Play" || m == "Pause" || m == "PlayPause" || m == "Stop" || m == "Next" || m == "Previous") {
            Kind kind = m == "Play" ? Kind::Play
                : m == "Pause"      ? Kind::Pause
                : m == "PlayPause"  ? Kind::PlayPause
                : m == "Stop"       ? Kind::Stop
                : m == "Next"       ? Kind::Next
                                    : Kind::Previous;
            commands.push_back({ kind, 0 });
        } else if (m == "Seek") {
            gint64 offset = 0;
            g_variant_get(parameters, "(x)", &offset);
            commands.push_back({ Kind::SeekBy, offset / 1000 });
        } else if (m == "SetPosition") {
            char const* track = nullptr;
            gint64 position = 0;
            g_variant_get(parameters, "(&ox)", &track, &position);
            // A stale track id or a negative position is ignored, as MPRIS asks.
            if (position >= 0 && now_playing && mpris::track_id(&*now_playing) == track)
                commands.push_back({ Kind::SetPosition, position / 1000 });
        } else if (m == "OpenUri") {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.NotSupported",
                "Opening addresses is not supported");
            return;
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    void connected(GDBusConnection* bus)
    {
        connection = bus;
        // A bus that goes away must not end the program.
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        GError* error = nullptr;
        node = g_dbus_node_info_new_for_xml(mpris::introspection_xml(), &error);
        if (!node) {
            logger()->warn("media controls introspection data rejected error={}", kaso::debug_text(error->message));
            g_error_free(error);
            unavailable = true;
            return;
        }
        static GDBusInterfaceVTable const vtable {
            .method_call = [](GDBusConnection*, char const*, char const*, char const*, char const* method,
                               GVariant* parameters, GDBusMethodInvocation* invocation,
                               gpointer self) { static_cast<State*>(self)->call(method, parameters, invocation); },
            .get_property = [](GDBusConnection*, char const*, char const*, char const* interface, char const* name,
                                GError**, gpointer self) { return static_cast<State*>(self)->property(interface, name); },
            .set_property = nullptr,
            .padding = {},
        };
        root_registration = g_dbus_connection_register_object(connection, mpris::object_path,
            g_dbus_node_info_lookup_interface(node, mpris::root_interface), &vtable, this, nullptr, nullptr);
        player_registration = g_dbus_connection_register_object(connection, mpris::object_path,
            g_dbus_node_info_lookup_interface(node, mpris::player_interface), &vtable, this, nullptr, nullptr);
        name_owner = g_bus_own_name_on_connection(connection, bus_name.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
            [](GDBusConnection*, char const* name, gpointer self) {
                static_cast<State*>(self)->published = true;
                logger()->debug("media controls published name={}", name);
            },
            [](GDBusConnection* bus, char const* name, gpointer self) {
                auto& state = *static_cast<State*>(self);
                state.published = false;
                if (!bus || g_dbus_connection_is_closed(bus))
                    state.unavailable = true;
                logger()->warn("media controls lost their bus name name={}", name);
            },
            this, nullptr);
    }
};

MediaControls::MediaControls(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}

// The answer of the connection attempt may come after the controls are gone: it reaches them
// through this holder, which the destructor disowns.
struct PendingConnection {
    MediaControls::State* state;
};

std::unique_ptr<MediaControls> MediaControls::start(std::string service_name, std::string display_name)
{
    auto state = std::make_unique<State>();
    state->bus_name = mpris::bus_name(service_name);
    state->display_name = std::move(display_name);
    state->pending = new PendingConnection { state.get() };
    g_main_context_push_thread_default(state->context);
    g_bus_get(G_BUS_TYPE_SESSION, state->cancellable,
        [](GObject*, GAsyncResult* result, gpointer holder) {
            auto* pending = static_cast<PendingConnection*>(holder);
            State* state = pending->state;
            delete pending;
            GError* error = nullptr;
            GDBusConnection* bus = g_bus_get_finish(result, &error);
            if (!state) {
                if (bus)
                    g_object_unref(bus);
                if (error)
                    g_error_free(error);
                return;
            }
            state->pending = nullptr;
            if (!bus) {
                log_no_bus_once(error ? error->message : "unknown");
                if (error)
                    g_error_free(error);
                state->unavailable = true;
                return;
            }
            state->connected(bus);
        },
        state->pending);
    g_main_context_pop_thread_default(state->context);
    return std::unique_ptr<MediaControls>(new MediaControls(std::move(state)));
}

MediaControls::~MediaControls()
{
    auto& state = *m_state;
    // Let a connection attempt still under way finish rather than cancel it: the session bus is
    // one connection shared by the whole process, and an attempt cancelled half-way leaves that
    // shared connection failed with "Operation was cancelled" for every later caller. Only a bus
    // that does not answer within the wait is given up on.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (state.pending && std::chrono::steady_clock::now() < deadline) {
        state.run_pending();
        if (state.pending)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (state.pending) {
        state.pending->state = nullptr;
        g_cancellable_cancel(state.cancellable);
    }
    if (state.name_owner)
        g_bus_unown_name(state.name_owner);
    if (state.connection) {
        if (state.root_registration)
            g_dbus_connection_unregister_object(state.connection, state.root_registration);
        if (state.player_registration)
            g_dbus_connection_unregister_object(state.connection, state.player_registration);
        g_dbus_connection_flush_sync(state.connection, nullptr, nullptr);
    }
    state.run_pending();
    if (state.node)
        g_dbus_node_info_unref(state.node);
    if (state.connection)
        g_object_unref(state.connection);
    g_object_unref(state.cancellable);
    g_main_context_unref(state.context);
}

void MediaControls::set_now_playing(std::optional<NowPlaying> item)
{
    auto& state = *m_state;
    if (item == state.now_playing)
        return;
    state.now_playing = std::move(item);
    state.emit_player_changes("Metadata", mpris::metadata(state.now_playing ? &*state.now_playing : nullptr));
}

void MediaControls::set_playback(ControlsStatus status, uint64_t position_ms)
{
    auto& state = *m_state;
    state.position_ms = position_ms;
    if (status == state.status)
        return;
    state.status = status;
    state.emit_player_changes("PlaybackStatus", g_variant_new_string(status_text(status)));
}

void MediaControls::notify_seeked(uint64_t position_ms)
{
    auto& state = *m_state;
    state.position_ms = position_ms;
    if (state.connection && state.published)
        g_dbus_connection_emit_signal(state.connection, nullptr, mpris::object_path, mpris::player_interface,
            "Seeked", g_variant_new("(x)", mpris::microseconds(position_ms)), nullptr);
}

std::vector<MediaCommand> MediaControls::pump()
{
    m_state->run_pending();
    return std::exchange(m_state->commands, {});
}

bool MediaControls::is_published() const { return m_state->published; }
bool MediaControls::is_unavailable() const { return m_state->unavailable; }
std::string const& MediaControls::bus_name() const { return m_state->bus_name; }

}
