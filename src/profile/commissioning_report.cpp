#include "profile/commissioning_report.h"

#include <algorithm>
#include <cstring>

#include "core/local_clock.h"
#include "core/text_key.h"
#include "polling/readable_names.h"
#include "profile/site_profile.h"

namespace zephyra {

namespace {

std::string FieldOf(const StatusViewModel &view, const char *name) {
    for (const FieldText &f : view.Fields)
        if (std::strcmp(f.Name, name) == 0)
            return f.Text;
    return {};
}

std::string LampLabel(const char *name, const TextTranslator &tr) {
    const ReadableName *readable = FindReadableName(name);
    return readable ? tr.Value(readable->Caption) : name;
}

// A downloaded log's header and cells, as the history window shows them.
std::vector<HistoryRow> LogRows(std::vector<HistoryRow>::const_iterator first,
                                std::vector<HistoryRow>::const_iterator last, const TextTranslator &tr) {
    std::vector<HistoryRow> rows(first, last);
    for (HistoryRow &row : rows)
        for (std::string &cell : row)
            cell = tr.Value(cell);
    return rows;
}

std::string LocalText(std::time_t t) {
    const std::tm tm = LocalTimeAt(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// A set-point as the profile spells it, with its unit when the spelling has none.
std::string ValueWithUnit(const ProfileSettingInfo &info, const std::string &value,
                          const TextTranslator &tr) {
    const std::string shown = ShownValue(info.Setting, value, tr);
    return *info.Unit && !shown.empty() ? shown + " " + info.Unit : shown;
}

std::string OrBlank(const std::string &text) {
    return text.empty() ? "______________________" : text;
}

} // namespace

std::string LiveValuesRefusal(const PollController &poll, const LinkMonitor &monitor, std::time_t now,
                              const TextTranslator &tr) {
    const auto T = [&tr](const char *text) { return tr.Text(text); };
    if (!poll.State().Connected)
        return T(ZEPHYRA_TEXT("zephyra", "장비에 연결되어 있지 않습니다. 연결한 뒤 다시 하십시오."));
    const int64_t ageMs = monitor.LastGoodAgeMs();
    // The snapshot starts empty on each new link, so a decode is this link's own.
    if (!poll.Snapshot().Decoded || ageMs < 0)
        return T(ZEPHYRA_TEXT(
            "zephyra", "이 연결에서 장비가 아직 응답하지 않았습니다. 첫 응답을 기다린 뒤 다시 하십시오."));
    if (poll.Health().Stale)
        return tr.Format(
            ZEPHYRA_TEXT("zephyra",
                         "값이 %1부터 갱신되지 않았습니다 (%2초 전). 장비가 다시 응답하면 하십시오."),
            {LocalText(now - static_cast<std::time_t>(ageMs / 1000)), HealthSeconds(ageMs)});
    return {};
}

ReportInputs GatherReportInputs(const PollController &poll, const LinkMonitor &monitor,
                                const std::string &linkName, std::time_t now, const TextTranslator &tr) {
    ReportInputs in;
    in.Snapshot = poll.Snapshot();
    in.View = poll.LastView();
    in.LinkName = linkName;
    in.Counters = monitor.Counters();
    in.HealthText = HealthText(poll.Health(), tr);
    in.Created = LocalText(now);
    if (const int64_t ageMs = monitor.LastGoodAgeMs(); ageMs >= 0) {
        in.ReadAt = LocalText(now - static_cast<std::time_t>(ageMs / 1000));
        in.Age = tr.Format(ZEPHYRA_TEXT("zephyra", "%1초"), {HealthSeconds(ageMs)});
    }
    return in;
}

CommissioningReport BuildCommissioningReport(const ReportInputs &in, const TextTranslator &tr) {
    const auto T = [&tr](const char *text) { return tr.Text(text); };
    CommissioningReport r;
    r.Title = tr.Format(ZEPHYRA_TEXT("zephyra", "%1 시운전 보고서"), {kModelName});
    const StatusSnapshot &s = in.Snapshot;
    const StatusViewModel &v = in.View;

    const std::vector<std::string> listHeader = {T(ZEPHYRA_TEXT("zephyra", "항목")),
                                                 T(ZEPHYRA_TEXT("zephyra", "값"))};
    r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "현장")),
                        listHeader,
                        {{T(ZEPHYRA_TEXT("zephyra", "현장 이름")), OrBlank(in.Site)},
                         {T(ZEPHYRA_TEXT("zephyra", "기술자")), OrBlank(in.Technician)},
                         {T(ZEPHYRA_TEXT("zephyra", "보고서 작성 일시")), in.Created}},
                        {}});
    r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "장비 정보")),
                        listHeader,
                        {{T(ZEPHYRA_TEXT("zephyra", "모델")), kModelName},
                         {T(ZEPHYRA_TEXT("zephyra", "펌웨어 버전 (날짜)")), FieldOf(v, "edtVer")},
                         {T(ZEPHYRA_TEXT("zephyra", "장비 ID")), FieldOf(v, "edtDeviceID")},
                         {T(ZEPHYRA_TEXT("zephyra", "MAC 주소")), s.MACText},
                         {T(ZEPHYRA_TEXT("zephyra", "IP 주소")), s.IPText},
                         {T(ZEPHYRA_TEXT("zephyra", "서브넷 마스크")), s.SMText},
                         {T(ZEPHYRA_TEXT("zephyra", "게이트웨이")), s.GWText},
                         {T(ZEPHYRA_TEXT("zephyra", "장비 시각")), s.DateText + " " + s.TimeText},
                         {T(ZEPHYRA_TEXT("zephyra", "연결")), in.LinkName},
                         {T(ZEPHYRA_TEXT("zephyra", "값을 읽은 시각")), in.ReadAt},
                         {T(ZEPHYRA_TEXT("zephyra", "보고서 작성 때 값의 나이")), in.Age}},
                        {}});

    // The proof that the unit was set as agreed: the site profile's check, or what differed.
    if (!in.ProfileName.empty()) {
        ReportTable check{T(ZEPHYRA_TEXT("zephyra", "사이트 프로필 확인")),
                          {T(ZEPHYRA_TEXT("zephyra", "설정")),
                           T(ZEPHYRA_TEXT("zephyra", "장비 값")),
                           T(ZEPHYRA_TEXT("zephyra", "프로필 값"))},
                          {},
                          {}};
        for (const ProfileCompareRow &row : in.ProfileCheck)
            if (row.Differs) {
                const ProfileSettingInfo &info = InfoOf(row.Setting);
                check.Rows.push_back({T(info.Label), ValueWithUnit(info, row.Device, tr),
                                      ValueWithUnit(info, row.Profile, tr)});
            }
        check.Note =
            check.Rows.empty()
                ? tr.Format(ZEPHYRA_TEXT("zephyra", "프로필 %1과(와) 대조: 일치합니다"), {in.ProfileName})
                : tr.Format(ZEPHYRA_TEXT("zephyra", "프로필 %1과(와) 대조: %2개 설정이 다릅니다"),
                            {in.ProfileName, std::to_string(check.Rows.size())});
        r.Tables.push_back(std::move(check));
    }

    // Set-points in the spelling of the site profile, so the report and a saved profile agree.
    const SiteProfile held = ProfileFromSnapshot(s);
    ReportTable setpoints{T(ZEPHYRA_TEXT("zephyra", "운용/알람 설정")), listHeader, {}, {}};
    ReportTable acl{T(ZEPHYRA_TEXT("zephyra", "접근 제어 목록 (ACL)")), listHeader, {}, {}};
    for (const ProfileSettingInfo &info : ProfileSettingInfos())
        (info.AclDialog && info.Setting != ProfileSetting::EthSpeed ? acl : setpoints)
            .Rows.push_back({T(info.Label), ValueWithUnit(info, held.Value(info.Setting).value_or(""), tr)});
    r.Tables.push_back(std::move(setpoints));
    r.Tables.push_back(std::move(acl));

    r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "현재 측정값")),
                        listHeader,
                        // A measurement the device reports as unused is a word, not a number.
                        {{T(ZEPHYRA_TEXT("zephyra", "AC 입력 전압")), tr.Value(s.ACVText)},
                         {T(ZEPHYRA_TEXT("zephyra", "DC 출력 전압")), tr.Value(s.DCVText)},
                         {T(ZEPHYRA_TEXT("zephyra", "부하 전류")), tr.Value(s.LCAText)},
                         {T(ZEPHYRA_TEXT("zephyra", "축전지 전류")), tr.Value(s.BCAText)},
                         {T(ZEPHYRA_TEXT("zephyra", "랙 온도")), tr.Value(s.RTText)},
                         {T(ZEPHYRA_TEXT("zephyra", "이더넷 링크")), v.LinkText}},
                        {}});

    // Active alarms get a column for the technician's remark; every lamp is then listed on or off, spelled
    // as the set-points' own OFF, so on and off read one way throughout.
    const std::string on = "ON", off = "OFF";
    ReportTable alarms{T(ZEPHYRA_TEXT("zephyra", "활성 경보")),
                       {T(ZEPHYRA_TEXT("zephyra", "경보")), T(ZEPHYRA_TEXT("zephyra", "상태")),
                        T(ZEPHYRA_TEXT("zephyra", "비고"))},
                       {},
                       {}};
    ReportTable lamps{T(ZEPHYRA_TEXT("zephyra", "경보 램프")),
                      {T(ZEPHYRA_TEXT("zephyra", "램프")), T(ZEPHYRA_TEXT("zephyra", "상태"))},
                      {},
                      {}};
    for (std::size_t i = 0; i < v.Lamps.size(); ++i) {
        const LampState &lamp = v.Lamps[i];
        if (!lamp.Name)
            continue;
        if (lamp.Active && i < static_cast<std::size_t>(kAlarmLampCount))
            alarms.Rows.push_back({LampLabel(lamp.Name, tr), on, ""});
        lamps.Rows.push_back({LampLabel(lamp.Name, tr), lamp.Active ? on : off});
    }
    if (alarms.Rows.empty())
        alarms.Note = T(ZEPHYRA_TEXT("zephyra", "활성 경보가 없습니다."));
    r.Tables.push_back(std::move(alarms));
    r.Tables.push_back(std::move(lamps));

    const LinkCounters &c = in.Counters;
    uint64_t dropped = 0;
    for (uint64_t d : c.Dropped)
        dropped += d;
    uint64_t exceptions = 0;
    for (const auto &[code, count] : c.Exceptions)
        exceptions += count;
    r.Tables.push_back(
        {T(ZEPHYRA_TEXT("zephyra", "통신 상태 (이번 세션)")),
         listHeader,
         {{T(ZEPHYRA_TEXT("zephyra", "상태")), in.HealthText},
          {T(ZEPHYRA_TEXT("zephyra", "요청")), std::to_string(c.Requests)},
          {T(ZEPHYRA_TEXT("zephyra", "응답")), std::to_string(c.Replies)},
          {T(ZEPHYRA_TEXT("zephyra", "시간 초과")), std::to_string(c.Timeouts)},
          {T(ZEPHYRA_TEXT("zephyra", "CRC 오류")), std::to_string(c.CrcErrors)},
          {T(ZEPHYRA_TEXT("zephyra", "버린 프레임")), std::to_string(dropped)},
          {T(ZEPHYRA_TEXT("zephyra", "예외 응답")), std::to_string(exceptions)},
          {T(ZEPHYRA_TEXT("zephyra", "재연결")), std::to_string(c.Reconnects)},
          {T(ZEPHYRA_TEXT("zephyra", "마지막 오류")), c.LastError.empty() ? "-" : c.LastError}},
         {}});

    bool anyLog = false;
    for (const auto &[kind, rows] : in.Logs) {
        if (rows.size() < 2)
            continue;
        anyLog = true;
        const std::string name = kind == HistoryKind::Event  ? T(ZEPHYRA_TEXT("zephyra", "이벤트 이력"))
                                 : kind == HistoryKind::Data ? T(ZEPHYRA_TEXT("zephyra", "데이터 이력"))
                                                             : T(ZEPHYRA_TEXT("zephyra", "알람 이력"));
        const std::size_t records = rows.size() - 1;
        const std::size_t first = records > kReportHistoryRows ? rows.size() - kReportHistoryRows : 1;
        r.Tables.push_back({tr.Format(ZEPHYRA_TEXT("zephyra", "이력: %1"), {name}),
                            LogRows(rows.begin(), rows.begin() + 1, tr).front(),
                            LogRows(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end(), tr),
                            tr.Format(ZEPHYRA_TEXT("zephyra", "기록 %1건 중 마지막 %2건"),
                                      {std::to_string(records), std::to_string(rows.size() - first)}),
                            true});
    }
    if (!anyLog)
        r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "이력")),
                            {},
                            {},
                            T(ZEPHYRA_TEXT("zephyra", "이번 세션에서 내려받은 이력이 없습니다."))});

    r.SignatureLines = {tr.Format(ZEPHYRA_TEXT("zephyra", "기술자 이름: %1"), {OrBlank(in.Technician)}),
                        T(ZEPHYRA_TEXT("zephyra", "서명: ______________________")),
                        T(ZEPHYRA_TEXT("zephyra", "날짜: ______________________"))};
    return r;
}

std::vector<HistoryRow> ReceivedRows(const std::vector<HistoryRow> &grid) {
    std::size_t end = grid.size();
    auto empty = [](const HistoryRow &row) {
        return std::all_of(row.begin(), row.end(), [](const std::string &cell) { return cell.empty(); });
    };
    while (end > 1 && empty(grid[end - 1]))
        --end;
    return {grid.begin(), grid.begin() + static_cast<std::ptrdiff_t>(end)};
}

} // namespace zephyra
