// Small fakes of the interfaces the core talks through: they record what the core did and never block.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "link/link_port.h"
#include "link/response_receiver.h"
#include "polling/poll_controller.h"

namespace zephyra::fakes {

// Records every frame written, on either link, in order.
class FakeLinkPort : public LinkPort {
public:
    struct Write {
        bool Tcp;
        Bytes Frame;
    };

    void WriteSerial(const Bytes &frame) override {
        if (throwOnWrite)
            throw std::runtime_error("port gone");
        writes.push_back({false, frame});
    }
    bool TcpConnected() override { return connected; }
    void WriteTcp(const Bytes &frame) override {
        if (throwOnWrite)
            throw std::runtime_error("socket gone");
        writes.push_back({true, frame});
    }
    void ReconnectTcp() override {
        ++reconnects;
        if (throwOnWrite)
            throw std::runtime_error("connect refused");
    }
    std::string ConnectTcp() override {
        ++connectCalls;
        // The real connect waits in a nested event loop: clicks and ticks run in here.
        if (whileConnecting)
            whileConnecting();
        if (connectError.empty())
            connected = true;
        return connectError;
    }
    void PaintConnect(bool green) override { indicator = green; }

    std::vector<Bytes> Frames() const {
        std::vector<Bytes> out;
        for (const Write &w : writes)
            out.push_back(w.Frame);
        return out;
    }
    const Bytes &Last() const { return writes.back().Frame; }

    std::vector<Write> writes;
    bool connected = true;
    bool throwOnWrite = false;
    std::string connectError; // what ConnectTcp reports; empty means it connects
    int reconnects = 0;
    int connectCalls = 0;
    std::function<void()> whileConnecting;
    std::optional<bool> indicator; // nothing painted yet
};

class FakeClock : public Clock {
public:
    int64_t NowMs() const override { return now; }
    void Advance(int64_t ms) { now += ms; }
    int64_t now = 1000;
};

// Remembers the moment it was armed for; tests run the wake-up themselves.
class FakePollTimer : public PollTimer {
public:
    void ArmAt(int64_t ms) override {
        armedAt = ms;
        ++armings;
    }
    void Disarm() override { armedAt.reset(); }
    std::optional<int64_t> armedAt;
    int armings = 0;
};

// Message boxes return at once; onShow runs "while the box is open".
class FakeOperator : public Operator {
public:
    enum class Kind { Information, Error, Plain };
    struct Message {
        Kind kind;
        std::string text;
        bool operator==(const Message &) const = default;
    };

    void ShowInformation(const std::string &text) override { Show(Kind::Information, text); }
    void ShowError(const std::string &text) override { Show(Kind::Error, text); }
    void ShowMessage(const std::string &text) override { Show(Kind::Plain, text); }

    std::vector<Message> messages;
    std::function<void(const Message &)> onShow;

private:
    void Show(Kind kind, const std::string &text) {
        messages.push_back({kind, text});
        if (onShow)
            onShow(messages.back());
    }
};

class FakeStatusView : public StatusView {
public:
    void ApplyAccessRules() override { calls.push_back("rules"); }
    void ShowStatus(const StatusSnapshot &s, const StatusViewModel &v) override {
        calls.push_back("show");
        snapshot = s;
        view = v;
    }
    void NetworkIdentityChanged(const StatusSnapshot &s) override {
        calls.push_back("identity");
        snapshot = s;
    }
    int Count(const std::string &call) const {
        int n = 0;
        for (const std::string &c : calls)
            n += c == call;
        return n;
    }

    std::vector<std::string> calls;
    StatusSnapshot snapshot;
    StatusViewModel view;
};

// Stands in for the dispatcher behind the receiver.
class RecordingSink : public ResponseSink {
public:
    struct Response {
        int32_t function;
        Bytes payload;
    };
    void ResponseDispatcher(int32_t function, Bytes payload) override {
        responses.push_back({function, std::move(payload)});
    }
    std::vector<Response> responses;
};

} // namespace zephyra::fakes
