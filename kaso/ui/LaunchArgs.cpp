#include "kaso/ui/LaunchArgs.h"

#include <algorithm>
#include <charconv>

namespace kaso::ui::launch {

namespace {

constexpr std::string_view window_size_flag = "--window-size";

bool contains(std::span<std::string_view const> list, std::string_view word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

std::optional<uint32_t> parse_dimension(std::string_view text)
{
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size() || value < 1 || value > 16384)
        return std::nullopt;
    return value;
}

}

std::optional<WindowSize> parse_window_size(std::string_view text)
{
    auto separator = text.find_first_of("xX");
    if (separator == std::string_view::npos)
        return std::nullopt;
    auto width = parse_dimension(text.substr(0, separator));
    auto height = parse_dimension(text.substr(separator + 1));
    if (!width || !height)
        return std::nullopt;
    return WindowSize { *width, *height };
}

LaunchArgs LaunchArgs::parse(std::span<std::string const> arguments, std::span<std::string_view const> bool_flags,
    std::span<std::string_view const> value_flags)
{
    LaunchArgs args;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view word = arguments[i];
        std::string_view name = word;
        std::optional<std::string_view> joined;
        if (word.starts_with("--")) {
            if (auto equals = word.find('='); equals != std::string_view::npos) {
                name = word.substr(0, equals);
                joined = word.substr(equals + 1);
            }
        }
        bool is_value_flag = contains(value_flags, name) || name == window_size_flag;
        if (is_value_flag) {
            std::optional<std::string_view> given = joined;
            if (!given && i + 1 < arguments.size())
                given = arguments[++i];
            if (!given)
                continue;
            if (name == window_size_flag) {
                if (auto size = parse_window_size(*given))
                    args.m_window_size = size;
                else
                    args.m_unknown.emplace_back(word);
                continue;
            }
            args.m_values.insert_or_assign(std::string(name), std::string(*given));
        } else if (!joined && contains(bool_flags, name)) {
            args.m_flags.emplace(name);
        } else {
            args.m_unknown.emplace_back(word);
        }
    }
    return args;
}

bool LaunchArgs::has(std::string_view flag) const { return m_flags.contains(std::string(flag)); }

std::optional<std::string> LaunchArgs::value(std::string_view flag) const
{
    if (auto found = m_values.find(std::string(flag)); found != m_values.end())
        return found->second;
    return std::nullopt;
}

LaunchArgs& LaunchArgs::set_flag(std::string flag)
{
    m_flags.insert(std::move(flag));
    return *this;
}

LaunchArgs& LaunchArgs::set_value(std::string flag, std::string value)
{
    m_values.insert_or_assign(std::move(flag), std::move(value));
    return *this;
}

LaunchArgs& LaunchArgs::set_window_size(WindowSize size)
{
    m_window_size = size;
    return *this;
}

}
