#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kaso::ui::persist {

// Small values the runtime keeps for an application by key (scroll offsets per route). This
// store lives in memory for the life of the process.
class Store {
public:
    std::optional<std::string> get(std::string_view key) const;
    void set(std::string key, std::string value);
    void remove(std::string_view key);

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

// Opens the store of the application named by its identifier.
std::shared_ptr<Store> open(std::string_view application_id);

}
