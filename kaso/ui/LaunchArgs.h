#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kaso::ui::launch {

struct WindowSize {
    uint32_t width { 0 };
    uint32_t height { 0 };
    bool operator==(WindowSize const&) const = default;
};

// The command line as the launcher read it against the application's flag lists: which boolean
// flags are present, the values of value flags ("--flag value" or "--flag=value"), and an
// explicit window size ("--window-size=WxH" or "--window-size WxH").
class LaunchArgs {
public:
    // Reads `arguments` (without the program name). Words that are not among the known flags are
    // kept as unknown and otherwise ignored; a value flag at the end with no value is absent.
    static LaunchArgs parse(std::span<std::string const> arguments, std::span<std::string_view const> bool_flags,
        std::span<std::string_view const> value_flags);

    bool has(std::string_view flag) const;
    std::optional<std::string> value(std::string_view flag) const;
    std::optional<WindowSize> window_size() const { return m_window_size; }
    std::vector<std::string> const& unknown() const { return m_unknown; }

    // True when no known flag, value or window size was given: a plain start.
    bool is_plain() const { return m_flags.empty() && m_values.empty() && !m_window_size; }

    // For tests and builders: set directly.
    LaunchArgs& set_flag(std::string flag);
    LaunchArgs& set_value(std::string flag, std::string value);
    LaunchArgs& set_window_size(WindowSize size);

private:
    std::unordered_set<std::string> m_flags;
    std::unordered_map<std::string, std::string> m_values;
    std::optional<WindowSize> m_window_size;
    std::vector<std::string> m_unknown;
};

// "1280x800" into a size; none unless both are whole numbers from 1 to 16384.
std::optional<WindowSize> parse_window_size(std::string_view text);

}
