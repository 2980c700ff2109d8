#pragma once

#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "base/ErrorOr.h"

namespace kaso {

// The error of every fallible operation in the runtime and the program: one formatted message,
// shaped "Thing: what failed".
struct Error {
    std::string message;

    static Error from(std::string message) { return Error { std::move(message) }; }

    template<typename... Args>
    static Error format(fmt::format_string<Args...> format, Args&&... args)
    {
        return Error { fmt::format(format, std::forward<Args>(args)...) };
    }
};

template<typename T>
using ErrorOr = base::ErrorOr<T, Error>;

inline std::unexpected<Error> make_error(std::string message)
{
    return std::unexpected(Error { std::move(message) });
}

// The message in double quotes, with quotes, backslashes and control characters escaped:
// what an error prints after "Error: ".
std::string debug_text(std::string_view text);

}
