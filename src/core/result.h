// What a fallible operation of the logic returns: its value, or the message
// that says why it failed (the text the user sees, whole).
//
//     Result<std::string> bytes = ReadWholeFile(path);
//     if (!bytes) return Failed(bytes.error());
//     Use(*bytes);
//
// Result<void> is for operations without a value; a default-constructed one
// is a success. A failure is made with Failed(message), which converts to
// every Result<T>.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace qv {

// The message of a failed operation, on its way into a Result.
struct Failure {
    std::string message;
};

inline Failure Failed(std::string message) {
    return Failure{std::move(message)};
}

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure.message)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only of a success.
    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // The value, or fallback after a failure.
    T value_or(T fallback) const& { return ok() ? std::get<0>(state_) : std::move(fallback); }

    // The message of a failure; empty for a success.
    const std::string& error() const { return ok() ? NoMessage() : std::get<1>(state_); }

private:
    static const std::string& NoMessage() {
        static const std::string none;
        return none;
    }

    std::variant<T, std::string> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failed_(true), message_(std::move(failure.message)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }

    // The message of a failure; empty for a success.
    const std::string& error() const { return message_; }

private:
    bool failed_ = false;
    std::string message_;
};

} // namespace qv
