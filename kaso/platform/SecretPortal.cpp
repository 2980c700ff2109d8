#include "kaso/platform/SecretPortal.h"

#include <cerrno>
#include <fcntl.h>
#include <string.h>
#include <string>
#include <unistd.h>

#include <gio/gio.h>

namespace kaso::platform {

namespace {

constexpr char const* portal_bus_name = "org.freedesktop.portal.Desktop";
constexpr char const* portal_path = "/org/freedesktop/portal/desktop";
constexpr std::size_t max_secret_size = 64 * 1024;

struct ResponseWait {
    bool answered { false };
    bool timed_out { false };
    uint32_t response { 2 };
};

void on_response(GDBusConnection*, char const*, char const*, char const*, char const*, GVariant* parameters, gpointer data)
{
    auto* wait = static_cast<ResponseWait*>(data);
    GVariant* results = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &wait->response, &results);
    if (results)
        g_variant_unref(results);
    wait->answered = true;
}

gboolean on_timeout(gpointer data)
{
    static_cast<ResponseWait*>(data)->timed_out = true;
    return G_SOURCE_REMOVE;
}

std::string error_text(GError* error)
{
    std::string text = error && error->message ? error->message : "unknown error";
    if (error)
        g_error_free(error);
    return text;
}

// The request object the portal will answer on: its path is derived from our unique bus name
// and the token we chose.
std::string request_path(GDBusConnection* bus, std::string const& token)
{
    std::string sender = g_dbus_connection_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':')
        sender.erase(0, 1);
    for (char& c : sender) {
        if (c == '.')
            c = '_';
    }
    return std::string(portal_path) + "/request/" + sender + "/" + token;
}

}

ErrorOr<std::vector<uint8_t>> SecretPortal::retrieve_secret(std::string_view application_name, std::chrono::milliseconds timeout)
{
    std::string const who(application_name);
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus)
        return make_error("secret portal: no session bus for " + who + ": " + error_text(error));

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        g_object_unref(bus);
        return make_error("secret portal: could not make a pipe");
    }

    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);

    std::string const token = "kaso_secret_" + std::to_string(::getpid()) + "_" + std::to_string(g_random_int());
    std::string const path = request_path(bus, token);
    ResponseWait wait;
    guint const subscription = g_dbus_connection_signal_subscribe(bus, portal_bus_name, "org.freedesktop.portal.Request",
        "Response", path.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NO_MATCH_RULE, on_response, &wait, nullptr);

    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    GUnixFDList* fd_list = g_unix_fd_list_new_from_array(&fds[1], 1); // takes the write end
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(bus, portal_bus_name, portal_path,
        "org.freedesktop.portal.Secret", "RetrieveSecret", g_variant_new("(ha{sv})", 0, &options), G_VARIANT_TYPE("(o)"),
        G_DBUS_CALL_FLAGS_NONE, static_cast<int>(timeout.count()), fd_list, nullptr, nullptr, &error);
    // Our copy of the write end must close, or the read below would never see the end.
    g_object_unref(fd_list);

    std::string failure;
    if (!reply) {
        failure = "secret portal: " + error_text(error);
    } else {
        g_variant_unref(reply);
        GSource* timer = g_timeout_source_new(static_cast<guint>(timeout.count()));
        g_source_set_callback(timer, on_timeout, &wait, nullptr);
        g_source_attach(timer, context);
        while (!wait.answered && !wait.timed_out)
            g_main_context_iteration(context, TRUE);
        g_source_destroy(timer);
        g_source_unref(timer);
        if (!wait.answered)
            failure = "secret portal: no answer from the portal";
        else if (wait.response != 0)
            failure = "secret portal: the request was refused (response " + std::to_string(wait.response) + ")";
    }

    g_dbus_connection_signal_unsubscribe(bus, subscription);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    g_object_unref(bus);

    std::vector<uint8_t> secret;
    if (failure.empty()) {
        // The portal has written and closed its end by the time it answers.
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        uint8_t buffer[4096];
        while (secret.size() <= max_secret_size) {
            ssize_t const got = ::read(fds[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            secret.insert(secret.end(), buffer, buffer + got);
        }
        explicit_bzero(buffer, sizeof buffer);
        if (secret.empty())
            failure = "secret portal: the portal returned no secret";
    }
    ::close(fds[0]);
    if (!failure.empty()) {
        if (!secret.empty())
            explicit_bzero(secret.data(), secret.size());
        return make_error(failure);
    }
    return secret;
}

}
