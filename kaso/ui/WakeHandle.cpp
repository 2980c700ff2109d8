#include "kaso/ui/WakeHandle.h"

#include <mutex>

namespace kaso::ui::wake {

namespace {

std::mutex s_waker_mutex;
std::function<void()> s_waker;

}

WakeHandle::WakeHandle()
    : m_state(std::make_shared<State>())
{
}

void WakeHandle::wake() const
{
    std::lock_guard lock(s_waker_mutex);
    if (s_waker)
        s_waker();
}

bool WakeHandle::authorize_publication() const { return m_state->live.load(std::memory_order_acquire); }

void WakeHandle::revoke() const { m_state->live.store(false, std::memory_order_release); }

void WakeHandle::install_waker(std::function<void()> waker)
{
    std::lock_guard lock(s_waker_mutex);
    s_waker = std::move(waker);
}

void WakeHandle::remove_waker()
{
    std::lock_guard lock(s_waker_mutex);
    s_waker = nullptr;
}

}
