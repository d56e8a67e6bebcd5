#include "profile/site_profile.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "config/acl_settings.h"
#include "config/operating_settings.h"
#include "core/csv_text.h"
#include "core/formatters.h"
#include "core/text_key.h"
#include "polling/register_names.h"

namespace zephyra {

namespace {

using json = nlohmann::ordered_json;
using S = ProfileSetting;

constexpr ProfileSettingInfo kInfos[] = {
    {S::CHLimit, "charge_current_limit", ZEPHYRA_TEXT("zephyra", "충전전류 제한"), "", reg::kChLimit, 1,
     false},
    {S::BModel, "battery_model", ZEPHYRA_TEXT("zephyra", "축전지 종류"), "", reg::kBModel, 1, false},
    {S::BCho, "battery_strings", ZEPHYRA_TEXT("zephyra", "축전지 수량"), "", reg::kBCho, 1, false},
    {S::ACOV, "ac_high_voltage", ZEPHYRA_TEXT("zephyra", "AC 고전압"), "V", reg::kACHigh, 1, false},
    {S::ACUV, "ac_low_voltage", ZEPHYRA_TEXT("zephyra", "AC 저전압"), "V", reg::kACLow, 1, false},
    {S::DCOV, "dc_high_voltage", ZEPHYRA_TEXT("zephyra", "DC 고전압"), "V", reg::kDCHigh, 1, false},
    {S::DCUV, "dc_low_voltage", ZEPHYRA_TEXT("zephyra", "DC 저전압"), "V", reg::kDCLow, 1, false},
    {S::EthSpeed, "ethernet_speed", ZEPHYRA_TEXT("zephyra", "Ethernet Speed"), "", reg::kEthSpeed, 1, true},
    {S::AclEnable, "acl_enabled", ZEPHYRA_TEXT("zephyra", "ACL 사용"), "", reg::kACLEn, 1, true},
    {S::AclRange1, "acl_range_1", ZEPHYRA_TEXT("zephyra", "ACL #1"), "", reg::kAclAdded, 4, true},
    {S::AclRange2, "acl_range_2", ZEPHYRA_TEXT("zephyra", "ACL #2"), "", reg::kAclAdded + 4, 4, true},
    {S::AclRange3, "acl_range_3", ZEPHYRA_TEXT("zephyra", "ACL #3"), "", reg::kAclAdded + 8, 4, true},
    {S::AclRange4, "acl_range_4", ZEPHYRA_TEXT("zephyra", "ACL #4"), "", reg::kAclAdded + 12, 4, true},
    {S::AclRange5, "acl_range_5", ZEPHYRA_TEXT("zephyra", "ACL #5"), "", reg::kAclAdded + 16, 4, true},
};
static_assert(std::size(kInfos) == kProfileSettings);
// InfoOf indexes by setting, and the operating settings tick the dialog's row of the same number.
constexpr bool InSettingOrder() {
    for (std::size_t i = 0; i < std::size(kInfos); ++i)
        if (static_cast<std::size_t>(kInfos[i].Setting) != i || (i < kOperatingRows) == kInfos[i].AclDialog)
            return false;
    return static_cast<int>(S::CHLimit) == kRowCHLimit && static_cast<int>(S::DCUV) == kRowDCUV;
}
static_assert(InSettingOrder());

// Settings that belong to one unit: a profile naming them is refused.
struct PerUnit {
    const char *Key;
    int32_t First, Last;
};
constexpr PerUnit kPerUnit[] = {
    {"clock", reg::kYear, reg::kSecond},
    {"calibration", reg::kCalibrationFirst, reg::kCalibrationLast},
    {"device_id", reg::kDeviceId1, reg::kDeviceId3},
    {"ip_address", reg::kIP, reg::kIP + 1},
    {"gateway", reg::kGW, reg::kGW + 1},
    {"subnet_mask", reg::kSM, reg::kSM + 1},
    {"mac_address", reg::kMAC, reg::kMAC + 2},
};

// The dialogs' pick lists, entry i being list index i.
constexpr TextKey kCHLimitList[] = {"OFF", "3 A", "4 A", "5 A"};
constexpr TextKey kBModelList[] = {ZEPHYRA_TEXT("zephyra", "아트라스"), ZEPHYRA_TEXT("zephyra", "세방전지")};
constexpr TextKey kBChoList[] = {ZEPHYRA_TEXT("zephyra", "1조"), ZEPHYRA_TEXT("zephyra", "2조"),
                                 ZEPHYRA_TEXT("zephyra", "3조")};
constexpr TextKey kEthSpeedList[] = {"Auto", "10M", "100M", "1G"};
constexpr TextKey kAclList[] = {ZEPHYRA_TEXT3("zephyra", "미사용", "ACL switch"),
                                ZEPHYRA_TEXT3("zephyra", "사용", "ACL switch")};

std::span<const TextKey> ListOf(S s) {
    switch (s) {
    case S::CHLimit:
        return kCHLimitList;
    case S::BModel:
        return kBModelList;
    case S::BCho:
        return kBChoList;
    case S::EthSpeed:
        return kEthSpeedList;
    case S::AclEnable:
        return kAclList;
    default:
        return {};
    }
}

bool IsRange(S s) {
    return s >= S::AclRange1 && s <= S::AclRange5;
}
bool IsTenths(S s) {
    return s == S::DCOV || s == S::DCUV;
}
std::size_t Index(S s) {
    return static_cast<std::size_t>(s);
}
int RangeNumber(S s) {
    return static_cast<int>(s) - static_cast<int>(S::AclRange1);
}

int ListIndexOf(S s, const std::string &text) {
    auto list = ListOf(s);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (text == list[i].Source)
            return static_cast<int>(i);
    return -1;
}

// A setting's caption in the language tr gives.
std::string Label(S s, const TextTranslator &tr) {
    return tr.Text(InfoOf(s).Label);
}

std::string ListError(S s, const std::string &text, const TextTranslator &tr) {
    std::string entries;
    for (const TextKey &key : ListOf(s)) {
        // The file keeps the dialogs' Korean words; in English each is followed by what it means.
        const std::string e = key.Source, shown = tr.Text(key);
        entries += (entries.empty() ? "" : ", ") + e + (shown != e ? " = " + shown : "");
    }
    return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: '%2'은(는) 목록에 없는 값입니다 (%3)"),
                     {Label(s, tr), text, entries});
}

std::string JoinAddress(const std::array<std::string, 4> &parts) {
    return parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3];
}

std::string RangeText(const AclRange &r) {
    return JoinAddress(r.Start) + " ~ " + JoinAddress(r.End);
}

// "a.b.c.d ~ e.f.g.h" into the dialog's eight fields; false without the "~".
bool SplitRange(const std::string &text, AclRange &range) {
    const std::size_t tilde = text.find('~');
    if (tilde == std::string::npos)
        return false;
    const std::vector<std::string> start =
        SplitParts(TrimBlanks(std::string_view(text).substr(0, tilde)), '.', 4);
    const std::vector<std::string> end =
        SplitParts(TrimBlanks(std::string_view(text).substr(tilde + 1)), '.', 4);
    for (std::size_t i = 0; i < 4; ++i) {
        range.Start[i] = start[i];
        range.End[i] = end[i];
    }
    return true;
}

// Only the writes are looked at here, never the error: no sentence of it is shown.
constexpr TextTranslator kWritesOnly;

// The list entry the dialog would show for a register, when writing that entry gives the register back;
// otherwise the raw number, which no entry matches.
template <typename Writes> std::string DeviceListText(S s, int index, int32_t raw, Writes writesFor) {
    auto list = ListOf(s);
    if (index >= 0 && static_cast<std::size_t>(index) < list.size()) {
        const SettingWrites w = writesFor(index);
        if (w.Ok() && w.Writes.size() == 1 && w.Writes[0].Value == raw)
            return list[static_cast<std::size_t>(index)].Source;
    }
    return std::to_string(raw);
}

} // namespace

std::span<const ProfileSettingInfo> ProfileSettingInfos() {
    return kInfos;
}

const ProfileSettingInfo &InfoOf(ProfileSetting setting) {
    return kInfos[Index(setting)];
}

SiteProfile ProfileFromSnapshot(const StatusSnapshot &snapshot) {
    const OperatingInputs op = PrefillOperating(snapshot);
    const AclInputs acl = PrefillAcl(snapshot);
    auto operatingWrite = [&](OperatingRow row, auto set) {
        return [&, row, set](int index) {
            OperatingInputs in = op;
            in.Ticked[static_cast<std::size_t>(row)] = true;
            set(in, index);
            return OperatingWrites(in, kWritesOnly);
        };
    };
    SiteProfile p;
    auto set = [&](S s, std::string text) { p.Values[Index(s)] = std::move(text); };
    set(S::CHLimit,
        DeviceListText(S::CHLimit, op.CHLimitIndex, snapshot.Reg(reg::kChLimit),
                       operatingWrite(kRowCHLimit, [](OperatingInputs &in, int i) { in.CHLimitIndex = i; })));
    set(S::BModel,
        DeviceListText(S::BModel, op.BModelIndex, snapshot.Reg(reg::kBModel),
                       operatingWrite(kRowBModel, [](OperatingInputs &in, int i) { in.BModelIndex = i; })));
    set(S::BCho,
        DeviceListText(S::BCho, op.BChoIndex, snapshot.Reg(reg::kBCho),
                       operatingWrite(kRowBCho, [](OperatingInputs &in, int i) { in.BChoIndex = i; })));
    set(S::ACOV, op.ACOV);
    set(S::ACUV, op.ACUV);
    set(S::DCOV, op.DCOV);
    set(S::DCUV, op.DCUV);
    set(S::EthSpeed,
        DeviceListText(S::EthSpeed, acl.EthSpeedIndex, snapshot.Reg(reg::kEthSpeed), [&](int index) {
            AclInputs in = acl;
            in.Ticked = {};
            in.Ticked[kRowEthSpeed] = true;
            in.EthSpeedIndex = index;
            return AclWrites(in, kWritesOnly);
        }));
    set(S::AclEnable, kAclList[acl.AclIndex == 1 ? 1 : 0].Source);
    for (int k = 0; k < kAclRanges; ++k)
        set(static_cast<S>(static_cast<int>(S::AclRange1) + k),
            RangeText(acl.Ranges[static_cast<std::size_t>(k)]));
    return p;
}

std::string ProfileToJson(const SiteProfile &profile) {
    json settings = json::array();
    for (const ProfileSettingInfo &info : kInfos) {
        const auto &value = profile.Value(info.Setting);
        if (!value)
            continue;
        json entry;
        entry["key"] = info.Key;
        int32_t number = 0;
        if (IsTenths(info.Setting) && ParseTenths(*value, number))
            entry["value"] = number / 10.0;
        else if ((info.Setting == S::ACOV || info.Setting == S::ACUV) && ParseInteger(*value, number))
            entry["value"] = number;
        else
            entry["value"] = *value;
        if (*info.Unit)
            entry["unit"] = info.Unit;
        entry["register"] = HexWord(info.Register);
        settings.push_back(entry);
    }
    json per = json::array();
    for (const PerUnit &p : kPerUnit)
        per.push_back(p.Key);
    json root;
    root["format"] = kProfileFormat;
    root["format_version"] = kProfileFormatVersion;
    root["model"] = profile.Model;
    root["never_in_a_profile"] = per;
    root["settings"] = settings;
    return root.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string ProfileFromJson(std::string_view text, SiteProfile &profile, const TextTranslator &tr) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception &e) {
        return tr.Format(ZEPHYRA_TEXT("zephyra", "프로필 파일을 읽을 수 없습니다 (JSON 아님): %1"),
                         {e.what()});
    }
    if (!root.is_object() || root.value("format", json()) != kProfileFormat)
        return tr.Format(ZEPHYRA_TEXT("zephyra", "프로필 파일이 아닙니다: \"format\"이 \"%1\"이어야 합니다"),
                         {kProfileFormat});
    const json version = root.value("format_version", json());
    if (!version.is_number_integer() || version.get<int64_t>() < 1)
        return tr.Text(ZEPHYRA_TEXT("zephyra", "프로필의 \"format_version\"이 올바르지 않습니다"));
    if (version.get<int64_t>() > kProfileFormatVersion)
        return tr.Format(
            ZEPHYRA_TEXT(
                "zephyra",
                "프로필 형식 버전 %1은(는) 이 프로그램보다 새롭습니다 (버전 %2까지 읽을 수 있습니다)"),
            {std::to_string(version.get<int64_t>()), std::to_string(kProfileFormatVersion)});
    for (const auto &[key, _] : root.items())
        if (key != "format" && key != "format_version" && key != "model" && key != "never_in_a_profile" &&
            key != "settings")
            return tr.Format(ZEPHYRA_TEXT("zephyra", "프로필에 알 수 없는 항목이 있습니다: %1"), {key});
    const json model = root.value("model", json());
    if (!model.is_string() || model.get<std::string>() != kModelName)
        return tr.Format(
            ZEPHYRA_TEXT("zephyra", "다른 장비의 프로필입니다: 모델이 %1이어야 합니다 (파일: %2)"),
            {kModelName, model.is_string() ? model.get<std::string>() : model.dump()});
    const json settings = root.value("settings", json());
    if (!settings.is_array())
        return tr.Text(ZEPHYRA_TEXT("zephyra", "프로필의 \"settings\"가 목록이 아닙니다"));

    SiteProfile out;
    std::vector<std::string> perUnit, unknown;
    for (const json &entry : settings) {
        if (!entry.is_object() || !entry.contains("key") || !entry["key"].is_string())
            return tr.Text(ZEPHYRA_TEXT("zephyra", "프로필의 설정 항목에 \"key\"가 없습니다"));
        const std::string key = entry["key"].get<std::string>();
        for (const auto &[field, _] : entry.items())
            if (field != "key" && field != "value" && field != "unit" && field != "register")
                return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: 알 수 없는 항목 %2"), {key, field});
        int32_t address = -1;
        if (entry.contains("register")) {
            const json &r = entry["register"];
            std::string t = r.is_string() ? r.get<std::string>() : std::string();
            if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X') && t.size() <= 6 &&
                t.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos)
                address = static_cast<int32_t>(std::stol(t.substr(2), nullptr, 16));
            else
                return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: \"register\"는 0x0021처럼 16진수로 씁니다"),
                                 {key});
        }
        auto info = std::find_if(std::begin(kInfos), std::end(kInfos),
                                 [&](const ProfileSettingInfo &i) { return key == i.Key; });
        const bool foreign = info == std::end(kInfos) &&
                             std::any_of(std::begin(kPerUnit), std::end(kPerUnit), [&](const PerUnit &p) {
                                 return key == p.Key || key.rfind(std::string(p.Key) + "_", 0) == 0 ||
                                        (address >= p.First && address <= p.Last);
                             });
        if (foreign) {
            perUnit.push_back(key);
            continue;
        }
        if (info == std::end(kInfos)) {
            unknown.push_back(key);
            continue;
        }
        const S s = info->Setting;
        if (address >= 0 && address != info->Register)
            return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: 레지스터가 %2이어야 합니다 (파일: %3)"),
                             {key, HexWord(info->Register), HexWord(address)});
        if (out.Value(s))
            return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: 두 번 들어 있습니다"), {key});
        if (!entry.contains("value"))
            return tr.Format(ZEPHYRA_TEXT("zephyra", "%1 (%2): 값이 없습니다"), {Label(s, tr), key});
        const json &v = entry["value"];
        std::string value;
        if (s == S::ACOV || s == S::ACUV || IsTenths(s)) {
            if (!v.is_number())
                return tr.Format(ZEPHYRA_TEXT("zephyra", "%1 (%2): 숫자여야 합니다"), {Label(s, tr), key});
            value = v.is_number_integer() ? std::to_string(v.get<int64_t>()) : v.dump();
            int32_t tenths = 0;
            if (IsTenths(s) && ParseTenths(value, tenths))
                value = FormatTenths(tenths);
        } else {
            if (!v.is_string())
                return tr.Format(ZEPHYRA_TEXT("zephyra", "%1 (%2): 문자열이어야 합니다"),
                                 {Label(s, tr), key});
            value = v.get<std::string>();
            if (IsRange(s)) {
                AclRange range;
                if (!SplitRange(value, range))
                    return tr.Format(ZEPHYRA_TEXT("zephyra", "%1 (%2): '시작 주소 ~ 끝 주소'로 씁니다"),
                                     {Label(s, tr), key});
                value = RangeText(range);
            }
        }
        out.Values[Index(s)] = value;
    }
    auto joined = [](const std::vector<std::string> &keys) {
        std::string t;
        for (const std::string &k : keys)
            t += (t.empty() ? "" : ", ") + k;
        return t;
    };
    if (!perUnit.empty())
        return tr.Format(ZEPHYRA_TEXT("zephyra", "장비마다 고유한 설정은 프로필에 넣을 수 없습니다: %1"),
                         {joined(perUnit)});
    if (!unknown.empty())
        return tr.Format(ZEPHYRA_TEXT("zephyra", "프로필에 알 수 없는 설정이 있습니다: %1"),
                         {joined(unknown)});
    profile = std::move(out);
    return {};
}

std::vector<ProfileCompareRow> CompareProfile(const StatusSnapshot &device, const SiteProfile &profile) {
    const SiteProfile held = ProfileFromSnapshot(device);
    std::vector<ProfileCompareRow> rows;
    for (const ProfileSettingInfo &info : kInfos) {
        ProfileCompareRow row{info.Setting, held.Value(info.Setting).value_or(""), {}, false};
        if (const auto &v = profile.Value(info.Setting)) {
            row.Profile = *v;
            row.Differs = row.Profile != row.Device;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string ShownValue(S s, const std::string &value, const TextTranslator &tr) {
    const int i = ListIndexOf(s, value);
    return i < 0 ? value : tr.Text(ListOf(s)[static_cast<std::size_t>(i)]);
}

std::string CompareCsv(const std::vector<ProfileCompareRow> &rows, const TextTranslator &tr) {
    std::string out = tr.Text(ZEPHYRA_TEXT("zephyra", "설정,레지스터,장비,프로필,차이")) + "\r\n";
    const std::string differs = tr.Text(ZEPHYRA_TEXT("zephyra", "다름"));
    for (const ProfileCompareRow &r : rows) {
        const ProfileSettingInfo &info = InfoOf(r.Setting);
        out += CsvLine({Label(r.Setting, tr), HexWord(info.Register), ShownValue(r.Setting, r.Device, tr),
                        ShownValue(r.Setting, r.Profile, tr), r.Differs ? differs : ""});
    }
    return out;
}

std::string DiffLine(const ProfileCompareRow &row) {
    const ProfileSettingInfo &info = InfoOf(row.Setting);
    const auto withUnit = [&info](const std::string &v) {
        return *info.Unit && !v.empty() ? v + " " + info.Unit : v;
    };
    return std::string(info.Key) + " (" + info.Label + "): device " + withUnit(row.Device) + ", profile " +
           withUnit(row.Profile);
}

ProfileApplyPlan PlanProfileApply(const StatusSnapshot &device, const SiteProfile &profile, bool aclWritable,
                                  const TextTranslator &tr) {
    ProfileApplyPlan plan;
    const SiteProfile held = ProfileFromSnapshot(device);
    OperatingInputs op = PrefillOperating(device);
    AclInputs acl = PrefillAcl(device);
    std::array<bool, kProfileSettings> present{}, differs{};

    for (const ProfileSettingInfo &info : kInfos) {
        const S s = info.Setting;
        const auto &v = profile.Value(s);
        if (!v)
            continue;
        present[Index(s)] = true;
        differs[Index(s)] = *v != held.Value(s);
        int list = ListOf(s).empty() ? 0 : ListIndexOf(s, *v);
        if (list < 0) {
            plan.Error = ListError(s, *v, tr);
            return plan;
        }
        switch (s) {
        case S::CHLimit:
            op.CHLimitIndex = list;
            break;
        case S::BModel:
            op.BModelIndex = list;
            break;
        case S::BCho:
            op.BChoIndex = list;
            break;
        case S::ACOV:
            op.ACOV = *v;
            break;
        case S::ACUV:
            op.ACUV = *v;
            break;
        case S::DCOV:
            op.DCOV = *v;
            break;
        case S::DCUV:
            op.DCUV = *v;
            break;
        case S::EthSpeed:
            acl.EthSpeedIndex = list;
            break;
        case S::AclEnable:
            acl.AclIndex = list;
            break;
        default:
            SplitRange(*v, acl.Ranges[static_cast<std::size_t>(RangeNumber(s))]);
            break;
        }
    }
    auto aclRow = [](S s) {
        return static_cast<std::size_t>(s == S::EthSpeed    ? kRowEthSpeed
                                        : s == S::AclEnable ? kRowAclEnable
                                                            : kRowRange1 + RangeNumber(s));
    };
    // Ticks the rows the mask selects, as the operator would in the two dialogs.
    auto tick = [&](const std::array<bool, kProfileSettings> &mask) {
        op.Ticked = {};
        acl.Ticked = {};
        for (const ProfileSettingInfo &info : kInfos) {
            if (!mask[Index(info.Setting)])
                continue;
            if (info.AclDialog)
                acl.Ticked[aclRow(info.Setting)] = true;
            else
                op.Ticked[Index(info.Setting)] = true;
        }
    };

    // Every value the profile holds must pass its dialog's rule, not only those that differ.
    tick(present);
    for (const SettingWrites &check : {OperatingWrites(op, tr), AclWrites(acl, tr)})
        if (!check.Ok()) {
            plan.Error = check.Error;
            return plan;
        }

    std::array<bool, kProfileSettings> send = differs;
    for (const ProfileSettingInfo &info : kInfos) {
        if (!differs[Index(info.Setting)])
            continue;
        if (info.AclDialog && !aclWritable) {
            send[Index(info.Setting)] = false;
            plan.Withheld.push_back(info.Setting);
        } else {
            plan.Changed.push_back(info.Setting);
        }
    }
    tick(send);
    plan.Writes = AclWrites(acl, tr).Writes;
    const std::vector<PendingWrite> operating = OperatingWrites(op, tr).Writes;
    plan.Writes.insert(plan.Writes.end(), operating.begin(), operating.end());
    return plan;
}

ProfileApplyTracker::ProfileApplyTracker(const StatusSnapshot &device, const SiteProfile &profile,
                                         const ProfileApplyPlan &plan)
    : plan_(plan), profile_(profile) {
    const SiteProfile held = ProfileFromSnapshot(device);
    for (const ProfileSettingInfo &info : kInfos) {
        const auto &v = profile.Value(info.Setting);
        if (!v)
            continue;
        ProfileApplyResult r{info.Setting, ApplyOutcome::Unchanged, 0, *v, held.Value(info.Setting).value_or("")};
        if (std::find(plan.Changed.begin(), plan.Changed.end(), info.Setting) != plan.Changed.end())
            r.Outcome = ApplyOutcome::Pending;
        else if (std::find(plan.Withheld.begin(), plan.Withheld.end(), info.Setting) != plan.Withheld.end())
            r.Outcome = ApplyOutcome::Withheld;
        results_.push_back(std::move(r));
    }
}

ProfileApplyResult *ProfileApplyTracker::ResultFor(int32_t address) {
    for (ProfileApplyResult &r : results_) {
        const ProfileSettingInfo &info = InfoOf(r.Setting);
        if (address >= info.Register && address < info.Register + info.Registers)
            return &r;
    }
    return nullptr;
}

void ProfileApplyTracker::SequenceEnded(const WriteSequenceReport &report) {
    ended_ = true;
    struct Tally {
        std::size_t total = 0, confirmed = 0, unconfirmed = 0, notSent = 0;
        const WriteResult *refused = nullptr, *failed = nullptr;
        NotSentWhy why = NotSentWhy::None;
    };
    std::vector<Tally> tally(results_.size());
    for (const WriteResult &w : report.Writes) {
        ProfileApplyResult *r = ResultFor(w.Write.Address);
        if (!r)
            continue;
        Tally &t = tally[static_cast<std::size_t>(r - results_.data())];
        ++t.total;
        switch (w.Outcome) {
        case WriteOutcome::Confirmed:
            ++t.confirmed;
            break;
        case WriteOutcome::Refused:
            t.refused = &w;
            break;
        case WriteOutcome::Failed:
            t.failed = &w;
            break;
        case WriteOutcome::NotSent:
            ++t.notSent;
            t.why = w.Why;
            break;
        case WriteOutcome::Awaiting:
        case WriteOutcome::Unconfirmed:
            ++t.unconfirmed;
            break;
        }
    }
    for (std::size_t i = 0; i < results_.size(); ++i) {
        ProfileApplyResult &r = results_[i];
        const Tally &t = tally[i];
        if (r.Outcome != ApplyOutcome::Pending)
            continue;
        if (t.refused) {
            r.Outcome = ApplyOutcome::Refused;
            r.ExceptionCode = t.refused->Code;
        } else if (t.failed) {
            r.Outcome = ApplyOutcome::Failed;
        } else if (t.total > 0 && t.confirmed == t.total) {
            r.Outcome = ApplyOutcome::Echoed;
        } else if (t.total > 0 && t.notSent == t.total) {
            r.Outcome = ApplyOutcome::NotSent;
            r.Why = t.why;
        } else if (t.total > 0) {
            r.Outcome = ApplyOutcome::Unconfirmed;
            r.Why = t.why;
        } else {
            r.Outcome = ApplyOutcome::NotSent;
        }
    }
}

void ProfileApplyTracker::NothingSent() {
    ended_ = true;
    for (ProfileApplyResult &r : results_)
        if (r.Outcome == ApplyOutcome::Pending)
            r.Outcome = ApplyOutcome::NotSent;
}

void ProfileApplyTracker::Confirm(const StatusSnapshot &after) {
    confirmed_ = true;
    const SiteProfile now = ProfileFromSnapshot(after);
    for (ProfileApplyResult &r : results_) {
        r.Decoded = now.Value(r.Setting).value_or("");
        r.Read = true;
        if (r.Outcome == ApplyOutcome::Echoed)
            r.Outcome = r.Decoded == r.Wanted ? ApplyOutcome::Confirmed : ApplyOutcome::NotConfirmed;
    }
}

namespace {
std::string NotSentText(NotSentWhy why, const TextTranslator &tr) {
    switch (why) {
    case NotSentWhy::AfterRefusal:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음: 앞의 쓰기가 거부됨"));
    case NotSentWhy::AfterFailure:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음: 앞의 쓰기의 응답이 맞지 않음"));
    case NotSentWhy::Deadline:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음: 앞의 쓰기가 응답 시간 안에 확인되지 않음"));
    case NotSentWhy::Cancelled:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음: 중단됨"));
    case NotSentWhy::None:
        break;
    }
    return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음"));
}
} // namespace

std::string OutcomeText(const ProfileApplyResult &result, const TextTranslator &tr) {
    switch (result.Outcome) {
    case ApplyOutcome::Unchanged:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "같음, 보내지 않음"));
    case ApplyOutcome::Confirmed:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "기록, 다음 상태 읽기에서 확인됨"));
    case ApplyOutcome::NotConfirmed:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "기록했으나 확인되지 않음 (읽은 값: %1)"),
                         {ShownValue(result.Setting, result.Decoded, tr)});
    case ApplyOutcome::Refused:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "거부됨: %1"), {ExceptionText(result.ExceptionCode, tr)});
    case ApplyOutcome::NotSent:
        return NotSentText(result.Why, tr);
    case ApplyOutcome::Withheld:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음: ACL은 시리얼 연결에서만 쓸 수 있음"));
    case ApplyOutcome::Failed:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "실패: 응답의 레지스터나 값이 보낸 것과 다름"));
    case ApplyOutcome::Unconfirmed:
        if (!result.Read)
            return tr.Text(ZEPHYRA_TEXT("zephyra", "보냈으나 응답 없음 — 상태 읽기를 기다리는 중"));
        if (result.Decoded == result.Wanted)
            return tr.Text(
                ZEPHYRA_TEXT("zephyra", "보냈으나 응답 없음 — 다음 상태 읽기에서 장비에 들어간 것이 확인됨"));
        return tr.Format(ZEPHYRA_TEXT("zephyra", "보냈으나 응답 없음 — 장비 값: %1"),
                         {ShownValue(result.Setting, result.Decoded, tr)});
    case ApplyOutcome::Echoed:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "기록됨 — 상태 읽기를 기다리는 중"));
    case ApplyOutcome::Pending:
        break;
    }
    return tr.Text(ZEPHYRA_TEXT("zephyra", "응답 없음"));
}

} // namespace zephyra
