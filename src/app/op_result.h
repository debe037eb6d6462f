#pragma once
// How an operation ended, so that every front end knows whether the user has heard of a
// failure already: the windows stay silent after a reported one, plnctl prints its own line
// only for one nobody has reported.

#include <string>
#include <utility>

class OpResult {
public:
    enum class State { Ok, FailedReported, FailedUnreported };

    OpResult() = default;
    static OpResult ok() { return OpResult(State::Ok, {}); }
    // The user has been told (a message box, an error box, a line on stderr).
    static OpResult reported(std::string reason = {}) { return OpResult(State::FailedReported, std::move(reason)); }
    // Nobody has told the user yet; reason says what went wrong.
    static OpResult unreported(std::string reason) { return OpResult(State::FailedUnreported, std::move(reason)); }
    // Reported when a box was shown (its answer is not 0), otherwise still to be told.
    static OpResult shownOr(int boxAnswer, std::string reason)
    {
        return boxAnswer != 0 ? reported(std::move(reason)) : unreported(std::move(reason));
    }

    State state() const { return state_; }
    bool isOk() const { return state_ == State::Ok; }
    bool failedReported() const { return state_ == State::FailedReported; }
    bool failedUnreported() const { return state_ == State::FailedUnreported; }
    explicit operator bool() const { return isOk(); }
    const std::string& reason() const { return reason_; }

private:
    OpResult(State state, std::string reason) : state_(state), reason_(std::move(reason)) {}

    State state_ = State::FailedUnreported;
    std::string reason_;
};
