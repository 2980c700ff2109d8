#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#if __has_include(<expected>)
#    include <expected>
#endif

namespace automerge {

// What kind of failure an Error reports, so a caller can tell a document it must keep aside
// (Corrupt, TooLarge) from one it may not read at all (Unsupported) or from its own mistake.
enum class ErrorCode {
    Corrupt,            // bytes that are not a valid Automerge file: bad magic, checksum, columns
    MismatchingHeads,   // the rebuilt changes do not hash to the stored heads
    Unsupported,        // a valid document holding list, text, table or mark objects
    TooLarge,           // a declared length, count, nesting depth or inflated size past a bound
    MissingDependency,  // changes whose dependencies are not in the document
    InvalidArgument,    // a caller's mistake: unknown object, a transaction already open
};

// The error of every fallible operation in the library: a code and one message shaped
// "part: what failed".
struct Error {
    ErrorCode code { ErrorCode::Corrupt };
    std::string message;
};

#if defined(__cpp_lib_expected)

template<typename T>
using ErrorOr = std::expected<T, Error>;
using Unexpected = std::unexpected<Error>;

#else

// FIXME: drop this stand-in once the fuzz build's clang (14 on Debian 12) compiles libstdc++'s
// <expected>. It offers only what the library and its callers use of std::expected.
class Unexpected {
public:
    explicit Unexpected(Error error)
        : m_error(std::move(error))
    {
    }
    Error& error() & { return m_error; }
    Error const& error() const& { return m_error; }
    Error&& error() && { return std::move(m_error); }

private:
    Error m_error;
};

template<typename T>
class [[nodiscard]] ErrorOrStandIn {
public:
    template<typename U = T>
        requires std::is_constructible_v<T, U&&> && (!std::is_same_v<std::remove_cvref_t<U>, Unexpected>) && (!std::is_same_v<std::remove_cvref_t<U>, ErrorOrStandIn>)
    ErrorOrStandIn(U&& value)
        : m_has_value(true)
        , m_value(std::in_place, std::forward<U>(value))
    {
    }
    ErrorOrStandIn(Unexpected unexpected)
        : m_has_value(false)
        , m_error(std::move(unexpected).error())
    {
    }
    bool has_value() const { return m_has_value; }
    explicit operator bool() const { return m_has_value; }
    T& value() & { return *m_value; }
    T const& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    T& operator*() & { return *m_value; }
    T const& operator*() const& { return *m_value; }
    T&& operator*() && { return std::move(*m_value); }
    T* operator->() { return &*m_value; }
    T const* operator->() const { return &*m_value; }
    Error& error() & { return m_error; }
    Error const& error() const& { return m_error; }
    Error&& error() && { return std::move(m_error); }

private:
    bool m_has_value;
    std::optional<T> m_value;
    Error m_error;
};

template<>
class [[nodiscard]] ErrorOrStandIn<void> {
public:
    ErrorOrStandIn() = default;
    ErrorOrStandIn(Unexpected unexpected)
        : m_has_value(false)
        , m_error(std::move(unexpected).error())
    {
    }
    bool has_value() const { return m_has_value; }
    explicit operator bool() const { return m_has_value; }
    void value() const { }
    Error& error() & { return m_error; }
    Error const& error() const& { return m_error; }
    Error&& error() && { return std::move(m_error); }

private:
    bool m_has_value { true };
    Error m_error;
};

template<typename T>
using ErrorOr = ErrorOrStandIn<T>;

#endif

inline Unexpected make_error(ErrorCode code, std::string message)
{
    return Unexpected(Error { code, std::move(message) });
}

}

// Unwraps an expected value or returns its error from the enclosing function.
#define AM_TRY(expression)                                                \
    __extension__({                                                       \
        auto&& _am_try_result = (expression);                             \
        if (!_am_try_result.has_value())                                  \
            return ::automerge::Unexpected(std::move(_am_try_result).error()); \
        std::move(_am_try_result).value();                                \
    })
