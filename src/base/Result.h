#pragma once
// Errors travel as values: a code (the engine's, or 0) and a readable message.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace nax {

struct Error {
    int code = 0;
    std::string message;
    // The input was refused with one of the product's own messages (shown with the
    // information icon; nax-report exits 3).
    bool refusal = false;
    // The user ended the program while the work let events through; the work stopped early and
    // its results are to be thrown away without a message.
    bool abandoned = false;
};

inline Error refusal(std::string message) {
    return Error{0, std::move(message), true};
}

inline Error abandonment() {
    return Error{0, "The report was abandoned.", false, true};
}

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    T* operator->() { return &value(); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

inline Result<void> success() {
    return {};
}

} // namespace nax
