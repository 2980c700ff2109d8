#include "tests/sync/PortalStandIn.h"

#include <gio/gunixfdlist.h>

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexa::sync::test {

namespace {

char const* const introspection = R"(<node>
  <interface name="org.freedesktop.portal.Secret">
    <method name="RetrieveSecret">
      <arg type="h" name="fd" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="o" name="handle" direction="out"/>
    </method>
  </interface>
</node>)";

}

PrivateBus::PrivateBus()
{
    int out[2];
    if (::pipe(out) != 0)
        return;
    char const* argv[] = { "dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (::posix_spawnp(&m_pid, "dbus-daemon", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char buffer[512] = {};
    ssize_t const got = m_pid > 0 ? ::read(out[0], buffer, sizeof buffer - 1) : 0;
    ::close(out[0]);
    if (got > 0) {
        m_address.assign(buffer, static_cast<std::size_t>(got));
        while (!m_address.empty() && (m_address.back() == '\n' || m_address.back() == '\r'))
            m_address.pop_back();
    }
}

PrivateBus::~PrivateBus()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

FakePortal::FakePortal(std::string const& address, std::string secret, uint32_t response, std::function<void()> before_answer)
    : m_secret(std::move(secret))
    , m_before_answer(std::move(before_answer))
    , m_response(response)
{
    m_context = g_main_context_new();
    m_loop = g_main_loop_new(m_context, FALSE);
    g_main_context_push_thread_default(m_context);
    m_bus = g_dbus_connection_new_for_address_sync(address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
    static GDBusInterfaceVTable const vtable = { &FakePortal::on_call, nullptr, nullptr, {} };
    g_dbus_connection_register_object(m_bus, "/org/freedesktop/portal/desktop", node->interfaces[0], &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariant* owned = g_dbus_connection_call_sync(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.portal.Desktop", 0u), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (owned)
        g_variant_unref(owned);
    g_main_context_pop_thread_default(m_context);
    m_thread = std::thread([this] {
        g_main_context_push_thread_default(m_context);
        g_main_loop_run(m_loop);
        g_main_context_pop_thread_default(m_context);
    });
}

FakePortal::~FakePortal()
{
    while (!g_main_loop_is_running(m_loop))
        std::this_thread::yield();
    g_main_loop_quit(m_loop);
    m_thread.join();
    g_object_unref(m_bus);
    g_main_loop_unref(m_loop);
    g_main_context_unref(m_context);
}

void FakePortal::on_call(GDBusConnection* bus, char const* sender, char const*, char const*, char const*, GVariant* parameters,
    GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<FakePortal*>(data);
    ++self->m_calls;
    if (self->m_before_answer)
        self->m_before_answer();
    int32_t handle = 0;
    GVariant* options = nullptr;
    g_variant_get(parameters, "(h@a{sv})", &handle, &options);
    char const* token = "t";
    g_variant_lookup(options, "handle_token", "&s", &token);
    std::string sender_part = sender + 1;
    for (char& c : sender_part) {
        if (c == '.')
            c = '_';
    }
    std::string const path = "/org/freedesktop/portal/desktop/request/" + sender_part + "/" + token;
    GUnixFDList* fds = g_dbus_message_get_unix_fd_list(g_dbus_method_invocation_get_message(invocation));
    int const fd = g_unix_fd_list_get(fds, handle, nullptr);
    if (self->m_response == 0 && fd >= 0 && ::write(fd, self->m_secret.data(), self->m_secret.size()) < 0)
        std::perror("write");
    ::close(fd);
    g_variant_unref(options);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", path.c_str()));
    GVariantBuilder results;
    g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
    g_dbus_connection_emit_signal(bus, sender, path.c_str(), "org.freedesktop.portal.Request", "Response",
        g_variant_new("(ua{sv})", self->m_response, &results), nullptr);
}

}
