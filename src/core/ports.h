// What the core asks of the world besides the link: the poll timer and the operator's message boxes.
// The Qt side implements both; tests use fakes.
#pragma once

#include <cstdint>
#include <string>

namespace zephyra {

// One single-shot wake-up of the poll, at a moment of the poll's clock.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    // Replaces any earlier arming; a moment already past wakes at once.
    virtual void ArmAt(int64_t ms) = 0;
    virtual void Disarm() = 0;
};

// Modal operator messages; each call returns once the operator has closed the box.
class Operator {
public:
    virtual ~Operator() = default;
    virtual void ShowInformation(const std::string &text) = 0;
    virtual void ShowError(const std::string &text) = 0;
    virtual void ShowMessage(const std::string &text) = 0;
};

} // namespace zephyra
