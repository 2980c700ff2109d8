#include "src/app/SharedText.h"

#include <mutex>

namespace vexa {

std::shared_ptr<SharedText> SharedText::create() { return std::make_shared<SharedText>(); }

std::string SharedText::text() const
{
    std::shared_lock lock(m_lock);
    return m_text;
}

bool SharedText::publish(std::string text)
{
    if (!m_wake.authorize_publication())
        return false;
    {
        std::unique_lock lock(m_lock);
        m_text = std::move(text);
    }
    m_generation.fetch_add(1, std::memory_order_acq_rel);
    m_wake.wake();
    return true;
}

}
