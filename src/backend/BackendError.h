#pragma once

#include "base/ErrorOr.h"
#include <string>

namespace vexa {

// The error of every backend operation: one message, shown as it is.
struct BackendError {
    std::string message;

    // BackendError("message"), with the message escaped as debug text.
    std::string debug_form() const;

    bool operator==(BackendError const&) const = default;
};

template<typename T>
using BackendResult = base::ErrorOr<T, BackendError>;

inline std::unexpected<BackendError> backend_error(std::string message)
{
    return std::unexpected(BackendError { std::move(message) });
}

}
