#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace kaso::ui::wake {

// Wakes the UI thread's event loop from any thread, and tells a publisher whether the loop that
// would read what it publishes still runs. Handles are cheap to copy; all copies share one state.
class WakeHandle {
public:
    WakeHandle();

    // Asks the event loop for one more frame soon. Safe from any thread.
    void wake() const;

    // True while the runtime accepts publications through this handle: it has not been revoked.
    bool authorize_publication() const;

    // Ends publication through every copy of this handle.
    void revoke() const;

    // The launcher installs the function that posts a wake-up to its event loop.
    static void install_waker(std::function<void()> waker);
    static void remove_waker();

private:
    struct State {
        std::atomic<bool> live { true };
    };
    std::shared_ptr<State> m_state;
};

}
