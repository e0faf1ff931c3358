#pragma once

#include <concepts>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace tarifon {

// The error of a failed Result, marked as such: `return fail("cannot read " + path);`.
template <class E>
struct Failure {
    E error;
};

template <class E>
Failure<std::decay_t<E>> fail(E&& error) {
    return {std::forward<E>(error)};
}
inline Failure<std::string> fail(const char* error) {
    return {error};
}

// Whether an error may be returned as is (`return DbError{...};`) rather than through
// fail(): when it cannot be taken for a value.  A text error always needs fail().
template <class E, class T>
concept PlainError = !std::is_same_v<E, std::string> &&
                     (std::is_void_v<T> ||
                      (!std::is_convertible_v<const E&, T> && !std::is_convertible_v<const T&, E>));

// A value, or the error that prevented it; the one result type of every layer that
// does not throw (parsers, files, the database).  Akin to std::expected.
template <class T, class E = std::string>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <class G>
    requires std::constructible_from<E, G> Result(Failure<G> failure)
        : m_state(std::in_place_index<1>, std::move(failure.error)) {}
    Result(E error) requires PlainError<E, T> : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    bool has_value() const { return ok(); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

// Success with nothing to carry (`return {};`), or an error.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <class G>
    requires std::constructible_from<E, G> Result(Failure<G> failure)
        : m_failed(true), m_error(std::move(failure.error)) {}
    Result(E error) requires PlainError<E, void> : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    bool has_value() const { return ok(); }
    explicit operator bool() const { return ok(); }
    const E& error() const { return m_error; }

private:
    bool m_failed = false;
    E m_error{};
};

}  // namespace tarifon
