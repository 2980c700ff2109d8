#include "kaso/ui/FocusState.h"

namespace kaso::ui {

namespace {

// Carets of inputs that no longer exist are kept until this many pile up, then all are dropped
// but the focused one's.
constexpr std::size_t max_carets = 256;

}

FocusState& FocusState::current()
{
    thread_local FocusState state;
    return state;
}

void FocusState::clear_focus(std::string_view id)
{
    if (is_focused(id))
        m_focused.reset();
}

std::optional<FocusState::Caret> FocusState::caret(std::string_view id) const
{
    if (auto found = m_carets.find(id); found != m_carets.end())
        return found->second;
    return std::nullopt;
}

void FocusState::set_caret(std::string const& id, Caret caret)
{
    if (m_carets.size() >= max_carets && !m_carets.contains(id)) {
        std::optional<Caret> kept = m_focused ? this->caret(*m_focused) : std::nullopt;
        m_carets.clear();
        if (kept)
            m_carets.emplace(*m_focused, *kept);
    }
    m_carets.insert_or_assign(id, caret);
}

void FocusState::reset()
{
    m_focused.reset();
    m_carets.clear();
}

}
