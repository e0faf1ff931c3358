#pragma once

#include <utility>
#include <variant>

#include <QString>

namespace tarifon {

// What the database client said when something failed: its own message text,
// and the SQLSTATE so that callers can recognise particular errors.
struct DbError {
    QString message;
    QString sqlState;
};

// Either a value or the error that prevented it.  The database layer returns
// these instead of throwing.
template <class T>
class DbResult {
public:
    DbResult(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    DbResult(DbError error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() { return std::get<0>(m_state); }
    const T& value() const { return std::get<0>(m_state); }
    T* operator->() { return &value(); }
    T& operator*() { return value(); }

    const DbError& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, DbError> m_state;
};

template <>
class DbResult<void> {
public:
    DbResult() = default;
    DbResult(DbError error) : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const DbError& error() const { return m_error; }

private:
    bool m_failed = false;
    DbError m_error;
};

}  // namespace tarifon
