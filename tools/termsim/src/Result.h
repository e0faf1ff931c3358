#pragma once

#include <optional>
#include <string>
#include <utility>

namespace termsim {

// A value or the message that says why there is none.
template <class T>
class Result {
public:
    static Result ok(T value) {
        Result r;
        r.m_value = std::move(value);
        return r;
    }
    static Result fail(std::string error) {
        Result r;
        r.m_error = std::move(error);
        return r;
    }
    explicit operator bool() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const std::string& error() const { return m_error; }

private:
    Result() = default;
    std::optional<T> m_value;
    std::string m_error;
};

}  // namespace termsim
