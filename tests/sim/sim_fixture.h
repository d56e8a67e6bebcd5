// A simulator per test, reached over the link the test is parameterised with, through the console's codec and
// receiver.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_types.h"
#include "support/sim_client.h"
#include "support/sim_process.h"

namespace zephyra::test {

using nlohmann::json;

// A device whose every status register is known: frozen clock, steady values.
inline json FrozenScenario() {
    return json{{"start_time", "2025-08-07 09:05:03"}, {"clock_running", false}, {"steady", true}};
}

inline std::string LinkName(const ::testing::TestParamInfo<LinkKind> &info) {
    return info.param == LinkKind::Serial ? "Rtu" : "Tcp";
}

class SimLinkTest : public ::testing::TestWithParam<LinkKind> {
protected:
    void StartSim(const json &scenario, bool connect = true) {
        std::string error;
        SimOptions options;
        options.scenarioJson = scenario.dump();
        sim_ = SimProcess::Start(options, &error);
        ASSERT_TRUE(sim_) << error;
        if (connect)
            Connect();
    }

    void Connect() {
        link_ = std::make_unique<CoreLink>(GetParam());
        if (GetParam() == LinkKind::Serial)
            ASSERT_TRUE(link_->OpenSerial(sim_->SerialPath())) << sim_->SerialPath();
        else
            ASSERT_TRUE(link_->ConnectTcp(sim_->TcpPort())) << sim_->TcpPort();
    }

    bool Serial() const { return GetParam() == LinkKind::Serial; }
    const char *LinkTag() const { return Serial() ? "RTU" : "TCP"; }

    // The reply after its function code, without the serial CRC.
    std::optional<CoreLink::Response> Ask(const Bytes &unit, int timeoutMs = 3000) {
        auto r = link_->Exchange(unit, timeoutMs);
        if (r && Serial() && r->payload.size() >= 2)
            r->payload.resize(r->payload.size() - 2);
        return r;
    }

    // Register values, or empty when the device did not answer with a read reply.
    std::vector<uint16_t> Read(int start, int count) {
        auto r = Ask(ReadRequestUnit(start, count));
        std::vector<uint16_t> values;
        if (!r || r->function != kFnReadInput || r->payload.empty())
            return values;
        for (std::size_t i = 1; i + 1 < r->payload.size(); i += 2)
            values.push_back(static_cast<uint16_t>(r->payload[i] << 8 | r->payload[i + 1]));
        return values;
    }

    std::optional<uint16_t> ReadOne(int address) {
        auto v = Read(address, 1);
        if (v.size() != 1)
            return std::nullopt;
        return v[0];
    }

    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<CoreLink> link_;
};

// Exception reply check: function with the high bit set, one code byte.
inline ::testing::AssertionResult IsException(const std::optional<CoreLink::Response> &r, uint8_t function,
                                              uint8_t code) {
    if (!r)
        return ::testing::AssertionFailure() << "no reply";
    if (r->function != (function | kExceptionBit) || r->payload.empty() || r->payload[0] != code)
        return ::testing::AssertionFailure()
               << "reply function " << r->function << " payload " << BytesToSpacedHex(r->payload);
    return ::testing::AssertionSuccess();
}

} // namespace zephyra::test
