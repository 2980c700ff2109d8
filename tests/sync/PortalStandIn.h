#pragma once

#include <gio/gio.h>

#include <atomic>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>

namespace vexa::sync::test {

// A private session bus (dbus-daemon) for a test, ended by pid. An empty address when
// dbus-daemon could not be started.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(PrivateBus const&) = delete;
    PrivateBus& operator=(PrivateBus const&) = delete;

    std::string const& address() const { return m_address; }

private:
    pid_t m_pid { -1 };
    std::string m_address;
};

// A stand-in for the desktop's secret portal on a bus: owns org.freedesktop.portal.Desktop and
// answers RetrieveSecret by writing `secret` into the passed descriptor and sending Response
// with `response` (0 granted, anything else refused). It serves on a thread of its own, which
// runs `before_answer` (when given) on every call before it answers, as a desktop that is still
// asking the user holds the answer back.
class FakePortal {
public:
    FakePortal(std::string const& address, std::string secret, uint32_t response, std::function<void()> before_answer = {});
    ~FakePortal();
    FakePortal(FakePortal const&) = delete;
    FakePortal& operator=(FakePortal const&) = delete;

    int calls() const { return m_calls; }

private:
    static void on_call(GDBusConnection* bus, char const* sender, char const*, char const*, char const*, GVariant* parameters,
        GDBusMethodInvocation* invocation, gpointer data);

    std::string m_secret;
    std::function<void()> m_before_answer;
    uint32_t m_response { 0 };
    std::atomic<int> m_calls { 0 };
    GMainContext* m_context { nullptr };
    GMainLoop* m_loop { nullptr };
    GDBusConnection* m_bus { nullptr };
    std::thread m_thread;
};

}
