// The outcome of an operation that either yields a value or fails: with a message for the user,
// or, for the low-level file functions whose callers word their own messages, with a kind.
#pragma once

#include "core/platform/userprompt.h"

#include <concepts>
#include <type_traits>
#include <utility>
#include <variant>

namespace xtalsp {

template <typename T, typename Failure = Message> class Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    // The success of an operation that yields nothing but may fail.
    static Result success() requires std::is_same_v<T, std::monostate> {
        return Result(std::monostate{});
    }

    bool ok() const { return m_state.index() == 0; }
    const T& value() const { return std::get<0>(m_state); }
    T& value() { return std::get<0>(m_state); }
    const Failure& failure() const { return std::get<1>(m_state); }
    bool failedWith(const Failure& failure) const requires std::equality_comparable<Failure> {
        return !ok() && std::get<1>(m_state) == failure;
    }

private:
    std::variant<T, Failure> m_state;
};

// The outcome of an operation that yields nothing: success, or a failure with a message.
using Status = Result<std::monostate>;

} // namespace xtalsp
