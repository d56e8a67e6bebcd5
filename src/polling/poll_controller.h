// The poll tick, the response dispatcher and the write sequence. Everything runs on one thread.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"

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

class StatusView {
public:
    virtual ~StatusView() = default;
    // Called first on every decode: menus follow the link and the user level.
    virtual void ApplyAccessRules() = 0;
    virtual void ShowStatus(const StatusSnapshot &snapshot, const StatusViewModel &view) = 0;
    virtual void NetworkIdentityChanged(const StatusSnapshot &) {}
};

class HistoryCollector {
public:
    virtual ~HistoryCollector() = default;
    // payload: the 0x41 response after its function code (serial: CRC at the end).
    virtual void CollectHistory(const Bytes &payload) = 0;
    // Modes 15 and 16 ask before each record request and report it sent: one request at a time.
    virtual bool RecordRequestDue() { return true; }
    virtual void RecordRequestSent() {}
};

inline constexpr const char *kSettingSuccess = " Setting Sucess!!";
inline constexpr const char *kSettingFail = " Setting Fail!!";

class PollController : public ResponseSink {
public:
    PollController(PollState &state, ModbusCodec &codec, PollTimer &timer, Operator &op, std::ostream &trace)
        : state_(state), codec_(codec), timer_(timer), operator_(op), trace_(trace) {}

    void SetStatusView(StatusView *view) { view_ = view; }
    void SetHistoryCollector(HistoryCollector *collector) { history_ = collector; }

    void Timer1Timer();
    void ResponseDispatcher(int32_t function, Bytes payload) override;

    // Queues the writes (sent last-first, one per echo) and sends the first. An empty list sends
    // nothing. On TCP the poll pauses and the client is connected first if needed.
    void StartWriteSequence(const std::vector<PendingWrite> &writes);

    const StatusSnapshot &Snapshot() const { return snapshot_; }
    const StatusViewModel &LastView() const { return view_model_; }
    uint64_t DecodeCount() const { return decodeCount_; }
    PollState &State() { return state_; }
    ModbusCodec &Codec() { return codec_; }
    Operator &Messages() { return operator_; }
    PollTimer &Timer() { return timer_; }

private:
    void DispatchStatus(Bytes &payload);
    void DispatchWriteEcho();
    void DispatchNetwork(Bytes &payload);
    void EndWriteSequence(bool ok);

    PollState &state_;
    ModbusCodec &codec_;
    PollTimer &timer_;
    Operator &operator_;
    std::ostream &trace_;
    StatusView *view_ = nullptr;
    HistoryCollector *history_ = nullptr;
    StatusSnapshot snapshot_;
    StatusViewModel view_model_;
    uint64_t decodeCount_ = 0;
};

} // namespace zephyra
