// What the core asks of the world besides the link: the poll timer and the operator's message boxes.
// The Qt side implements both; tests use fakes.
#pragma once

#include <string>

namespace zephyra {

class PollTimer {
public:
    virtual ~PollTimer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
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
