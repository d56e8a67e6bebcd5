#include <functional>
#include <gtest/gtest.h>
#include <map>

#include "config/acl_settings.h"
#include "config/operating_settings.h"
#include "config/wire_order.h"
#include "profile/site_profile.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;
using S = ProfileSetting;

// A device with set-points off the defaults and one access range in use.
StatusSnapshot Device(std::initializer_list<std::pair<int, int32_t>> changes = {}) {
    test::StatusBlock block;
    block.Set({{reg::kChLimit, 3},
               {reg::kBModel, 1},
               {reg::kBCho, 1},
               {reg::kACHigh, 265},
               {reg::kACLow, 175},
               {reg::kDCHigh, 579},
               {reg::kDCLow, 455},
               {reg::kEthSpeed, 2},
               {reg::kACLEn, 1},
               {reg::kAclAdded, 0x0A00},
               {reg::kAclAdded + 1, 0x0001},
               {reg::kAclAdded + 2, 0x0A00},
               {reg::kAclAdded + 3, 0x00FE}});
    block.Set(changes);
    StatusSnapshot s;
    StatusViewModel view;
    DecodeStatus(block.Data(), s, view);
    return s;
}

SiteProfile With(SiteProfile p, std::initializer_list<std::pair<S, const char *>> values) {
    for (auto [s, v] : values)
        p.Values[static_cast<std::size_t>(s)] = v;
    return p;
}

TEST(SiteProfile, RoundTripsThroughItsFile) {
    const SiteProfile saved = ProfileFromSnapshot(Device());
    EXPECT_EQ(saved.Value(S::DCOV), "57.9");
    EXPECT_EQ(saved.Value(S::CHLimit), "3 A");
    EXPECT_EQ(saved.Value(S::AclRange1), "10.0.0.1 ~ 10.0.0.254");
    const std::string json = ProfileToJson(saved);
    SiteProfile loaded;
    ASSERT_EQ(ProfileFromJson(json, loaded, TextTranslator()), "");
    EXPECT_EQ(loaded.Values, saved.Values);
    EXPECT_EQ(ProfileToJson(loaded), json);
    // The file says what never goes in it.
    EXPECT_NE(json.find("\"never_in_a_profile\""), std::string::npos);
    EXPECT_NE(json.find("\"register\": \"0x0027\""), std::string::npos);
}

TEST(SiteProfile, RefusesWhatItDoesNotUnderstandNamingIt) {
    auto file = [](const std::string &settings, const std::string &head = R"("format_version": 1,)") {
        return R"({"format": "zephyra-site-profile", )" + head + R"( "model": "ZEPHYRA-M10", "settings": [)" +
               settings + "]}";
    };
    const struct {
        std::string Text, Expected;
    } cases[] = {
        {"{not json", "JSON"},
        {file("", R"("format_version": 2,)"), "버전 2"},
        {file("", R"("format_version": 1, "extra": 1,)"), "extra"},
        {file(R"({"key": "float_voltage", "value": 54})"), "float_voltage"},
        {file(R"({"key": "ip_address", "value": "10.0.0.9"}, {"key": "device_id", "value": "0123456789"})"),
         "ip_address, device_id"},
        {file(R"({"key": "x", "value": 1, "register": "0x0031"})"), "고유한 설정"},
        {file(R"({"key": "ac_high_voltage", "value": 260, "register": "0x0026"})"), "0x0025"},
        {file(R"({"key": "ac_high_voltage", "value": "260"})"), "AC 고전압"},
        {file(R"({"key": "acl_range_2", "value": "10.0.0.1"})"), "ACL #2"},
        {R"({"format": "zephyra-site-profile", "format_version": 1, "model": "OTHER-1", "settings": []})",
         "OTHER-1"},
    };
    for (const auto &c : cases) {
        SiteProfile p = With({}, {{S::ACOV, "250"}});
        const std::string error = ProfileFromJson(c.Text, p, TextTranslator());
        EXPECT_NE(error.find(c.Expected), std::string::npos) << c.Text << " -> " << error;
        EXPECT_EQ(p.Value(S::ACOV), "250") << "a refused file must leave the profile alone";
    }
}

// What the two dialogs queue when the operator changes the same fields and ticks the same rows.
struct DialogChanges {
    std::vector<std::pair<OperatingRow, std::function<void(OperatingInputs &)>>> Operating;
    std::vector<std::pair<int, std::function<void(AclInputs &)>>> Acl;
};

std::vector<PendingWrite> DialogWrites(const StatusSnapshot &device, const DialogChanges &c) {
    OperatingInputs op = PrefillOperating(device);
    for (const auto &[row, set] : c.Operating) {
        set(op);
        op.Ticked[static_cast<std::size_t>(row)] = true;
    }
    AclInputs acl = PrefillAcl(device);
    for (const auto &[row, set] : c.Acl) {
        set(acl);
        acl.Ticked[static_cast<std::size_t>(row)] = true;
    }
    std::vector<PendingWrite> w = AclWrites(acl, TextTranslator()).Writes;
    for (const PendingWrite &x : OperatingWrites(op, TextTranslator()).Writes)
        w.push_back(x);
    return w;
}

TEST(SiteProfile, ApplyPlanIsWhatTheDialogsSendForTheSameChanges) {
    const StatusSnapshot device = Device();
    const SiteProfile same = ProfileFromSnapshot(device);
    const struct {
        const char *Name;
        SiteProfile Profile;
        bool AclWritable;
        DialogChanges Dialogs;
        std::vector<S> Withheld;
    } cases[] = {
        {"nothing differs", same, true, {}, {}},
        {"DC low only",
         With(same, {{S::DCUV, "43.5"}}),
         true,
         {{{kRowDCUV, [](OperatingInputs &in) { in.DCUV = "43.5"; }}}, {}},
         {}},
        {"set-points and ranges",
         With(same, {{S::CHLimit, "OFF"},
                     {S::BCho, "3조"},
                     {S::ACOV, "270"},
                     {S::EthSpeed, "Auto"},
                     {S::AclRange1, "192.168.0.1 ~ 192.168.0.9"},
                     {S::AclRange5, "172.16.0.1 ~ 172.16.255.254"}}),
         true,
         {{{kRowCHLimit, [](OperatingInputs &in) { in.CHLimitIndex = 0; }},
           {kRowBCho, [](OperatingInputs &in) { in.BChoIndex = 2; }},
           {kRowACOV, [](OperatingInputs &in) { in.ACOV = "270"; }}},
          {{kRowEthSpeed, [](AclInputs &in) { in.EthSpeedIndex = 0; }},
           {kRowRange1,
            [](AclInputs &in) {
                in.Ranges[0] = {{"192", "168", "0", "1"}, {"192", "168", "0", "9"}};
            }},
           {kRowRange1 + 4,
            [](AclInputs &in) {
                in.Ranges[4] = {{"172", "16", "0", "1"}, {"172", "16", "255", "254"}};
            }}}},
         {}},
        {"access list withheld on TCP",
         With(same, {{S::ACUV, "160"}, {S::AclEnable, "미사용"}}),
         false,
         {{{kRowACUV, [](OperatingInputs &in) { in.ACUV = "160"; }}}, {}},
         {S::AclEnable}},
    };
    for (const auto &c : cases) {
        const ProfileApplyPlan plan = PlanProfileApply(device, c.Profile, c.AclWritable, TextTranslator());
        ASSERT_EQ(plan.Error, "") << c.Name;
        EXPECT_EQ(WireOrder(plan.Writes), WireOrder(DialogWrites(device, c.Dialogs))) << c.Name;
        EXPECT_EQ(plan.Withheld, c.Withheld) << c.Name;
    }
    // The operating set-points reach the device first, then the access list, each in its dialog's order.
    const ProfileApplyPlan both = PlanProfileApply(
        device,
        With(same, {{S::ACOV, "230"}, {S::DCOV, "55.0"}, {S::EthSpeed, "1G"}, {S::AclEnable, "미사용"}}),
        true, TextTranslator());
    EXPECT_EQ(WireOrder(both.Writes),
              (std::vector<WireWrite>{{0x27, 550}, {0x25, 230}, {0x49, 0}, {0x3C, 3}}));
}

TEST(SiteProfile, OutOfRangeValuesAreRefusedBeforeAnyWriteNamingTheSetting) {
    const StatusSnapshot device = Device();
    const SiteProfile same = ProfileFromSnapshot(device);
    const struct {
        S Setting;
        const char *Value, *Named;
    } cases[] = {
        {S::ACOV, "300", "AC 고전압"},          {S::ACUV, "159", "AC 저전압"},
        {S::DCOV, "59.1", "DC 고전압"},         {S::DCUV, "42.9", "DC 저전압"},
        {S::BModel, "XYZ", "축전지 종류"},      {S::CHLimit, "6 A", "충전전류 제한"},
        {S::EthSpeed, "10G", "Ethernet Speed"}, {S::AclRange3, "10.0.0.1 ~ 10.0.0.256", "#3"},
    };
    for (const auto &c : cases) {
        // The bad value is refused even beside a valid change and even on a link that leaves ACL alone.
        const ProfileApplyPlan plan = PlanProfileApply(
            device, With(same, {{S::ACUV, "200"}, {c.Setting, c.Value}}), false, TextTranslator());
        EXPECT_NE(plan.Error.find(c.Named), std::string::npos) << c.Value << " -> " << plan.Error;
        EXPECT_TRUE(plan.Writes.empty()) << c.Value;
    }
}

TEST(SiteProfile, TrackerSettlesEachSettingFromTheSequencesReportAndTheNextStatus) {
    const StatusSnapshot device = Device();
    const SiteProfile profile = With(ProfileFromSnapshot(device), {{S::ACOV, "240"}, {S::ACUV, "200"},
                                                                   {S::DCOV, "56.0"}, {S::DCUV, "44.0"}});
    const ProfileApplyPlan plan = PlanProfileApply(device, profile, true, TextTranslator());
    ASSERT_EQ(plan.Writes.size(), 4u);
    ProfileApplyTracker tracker(device, profile, plan);
    // Wire order: DC low, DC high, AC low, AC high. DC low lands; DC high is echoed but the device
    // keeps its old value; AC low went out and its echo came back wrong; after that nothing went out.
    auto write = [](int32_t address, int32_t value, WriteOutcome outcome) {
        return WriteResult{{address, value}, outcome, outcome == WriteOutcome::NotSent ? NotSentWhy::AfterFailure
                                                                                      : NotSentWhy::None};
    };
    WriteSequenceReport report;
    report.End = SequenceEnd::Failed;
    report.Writes = {write(reg::kDCLow, 440, WriteOutcome::Confirmed),
                     write(reg::kDCHigh, 560, WriteOutcome::Confirmed),
                     write(reg::kACLow, 200, WriteOutcome::Failed), write(reg::kACHigh, 240, WriteOutcome::NotSent)};
    tracker.SequenceEnded(report);
    tracker.Confirm(Device({{reg::kDCLow, 440}}));
    std::map<S, std::string> got;
    for (const ProfileApplyResult &r : tracker.Results())
        got[r.Setting] = OutcomeText(r, TextTranslator());
    EXPECT_EQ(got[S::DCUV], "기록, 다음 상태 읽기에서 확인됨");
    EXPECT_TRUE(got[S::DCOV].starts_with("기록했으나 확인되지 않음 (읽은 값: ")) << got[S::DCOV];
    EXPECT_EQ(got[S::ACUV], "실패: 응답의 레지스터나 값이 보낸 것과 다름");
    EXPECT_EQ(got[S::ACOV], "보내지 않음: 앞의 쓰기의 응답이 맞지 않음");
    EXPECT_EQ(got[S::BModel], "같음, 보내지 않음");

    // Sent without an echo before the deadline: what the next status read shows decides the text.
    ProfileApplyTracker late(device, profile, plan);
    report.End = SequenceEnd::Deadline;
    report.Writes[2].Outcome = WriteOutcome::Unconfirmed;
    late.SequenceEnded(report);
    late.Confirm(Device({{reg::kACLow, 200}}));
    for (const ProfileApplyResult &r : late.Results())
        if (r.Setting == S::ACUV)
            EXPECT_EQ(OutcomeText(r, TextTranslator()),
                      "보냈으나 응답 없음 — 다음 상태 읽기에서 장비에 들어간 것이 확인됨");
}

} // namespace
} // namespace zephyra
