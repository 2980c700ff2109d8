#include "kaso/ui/Persist.h"

namespace kaso::ui::persist {

std::optional<std::string> Store::get(std::string_view key) const
{
    if (auto found = m_values.find(key); found != m_values.end())
        return found->second;
    return std::nullopt;
}

void Store::set(std::string key, std::string value) { m_values.insert_or_assign(std::move(key), std::move(value)); }

void Store::remove(std::string_view key)
{
    if (auto found = m_values.find(key); found != m_values.end())
        m_values.erase(found);
}

std::shared_ptr<Store> open(std::string_view) { return std::make_shared<Store>(); }

}
