// Result types for expected failures: a bad file, a refused login, a failed statement.
#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace kelvoran {

// An expected failure: the message in the program's own words and the step code current when
// it happened (empty where the stage has none).
struct Error {
    QString message;
    QString stepCode;

    // The message followed by two blanks and the step code, as messages and statuses show it.
    QString text() const {
        return stepCode.isEmpty() ? message : message + QStringLiteral("  ") + stepCode;
    }
};

// Success without a value, or an Error.
class Status {
public:
    Status() = default;
    Status(Error error) : m_error(std::move(error)) {}
    static Status ok() { return Status(); }

    bool isOk() const { return !m_error.has_value(); }
    explicit operator bool() const { return isOk(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

// A value or an Error.
template <class T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_error(std::move(error)) {}

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T &operator*() const & { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const Error &error() const { return *m_error; }
    Status status() const { return isOk() ? Status() : Status(*m_error); }

private:
    std::optional<T> m_value;
    std::optional<Error> m_error;
};

} // namespace kelvoran
