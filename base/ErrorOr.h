#pragma once

// The one result type of the tree: a value of T or an error of E, which a caller may not ignore.
// Each library names its own error type and spells its results ErrorOr<T> with it
// (kaso::ErrorOr<T>, automerge::ErrorOr<T>, vexa::BackendResult<T>, ...). TRY unwraps any of them.

#include <optional>
#include <type_traits>
#include <utility>
#if __has_include(<expected>)
#    include <expected>
#endif

namespace base {

#if defined(__cpp_lib_expected)

template<typename E>
using Unexpected = std::unexpected<E>;

// std::expected with the one thing it lacks: a result dropped on the floor is a compile error.
template<typename T, typename E>
class [[nodiscard]] ErrorOr : public std::expected<T, E> {
public:
    using std::expected<T, E>::expected;

    ErrorOr(std::expected<T, E> const& other)
        : std::expected<T, E>(other)
    {
    }
    ErrorOr(std::expected<T, E>&& other)
        : std::expected<T, E>(std::move(other))
    {
    }
};

#else

// FIXME: drop this stand-in once the fuzz build's clang (14 on Debian 12) compiles libstdc++'s
// <expected>. It offers only what the automerge library and its callers use of std::expected.
template<typename E>
class Unexpected {
public:
    explicit Unexpected(E error)
        : m_error(std::move(error))
    {
    }
    E& error() & { return m_error; }
    E const& error() const& { return m_error; }
    E&& error() && { return std::move(m_error); }

private:
    E m_error;
};

template<typename T, typename E>
class [[nodiscard]] ErrorOr {
public:
    template<typename U = T>
        requires std::is_constructible_v<T, U&&> && (!std::is_same_v<std::remove_cvref_t<U>, Unexpected<E>>) && (!std::is_same_v<std::remove_cvref_t<U>, ErrorOr>)
    ErrorOr(U&& value)
        : m_has_value(true)
        , m_value(std::in_place, std::forward<U>(value))
    {
    }
    ErrorOr(Unexpected<E> unexpected)
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
    E& error() & { return m_error; }
    E const& error() const& { return m_error; }
    E&& error() && { return std::move(m_error); }

private:
    bool m_has_value;
    std::optional<T> m_value;
    E m_error;
};

template<typename E>
class [[nodiscard]] ErrorOr<void, E> {
public:
    ErrorOr() = default;
    ErrorOr(Unexpected<E> unexpected)
        : m_has_value(false)
        , m_error(std::move(unexpected).error())
    {
    }
    bool has_value() const { return m_has_value; }
    explicit operator bool() const { return m_has_value; }
    void value() const { }
    E& error() & { return m_error; }
    E const& error() const& { return m_error; }
    E&& error() && { return std::move(m_error); }

private:
    bool m_has_value { true };
    E m_error;
};

#endif

template<typename E>
Unexpected<std::remove_cvref_t<E>> unexpected(E&& error)
{
    return Unexpected<std::remove_cvref_t<E>>(std::forward<E>(error));
}

}

// Unwraps a result or returns its error from the enclosing function.
#define TRY(expression)                                                   \
    __extension__({                                                       \
        auto&& _try_result = (expression);                                \
        if (!_try_result.has_value())                                     \
            return ::base::unexpected(std::move(_try_result).error());    \
        std::move(_try_result).value();                                   \
    })
