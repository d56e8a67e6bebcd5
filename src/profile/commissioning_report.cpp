#include "profile/commissioning_report.h"

#include <algorithm>
#include <cstring>

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

const char *LampLabel(const char *name) {
    const ReadableName *readable = FindReadableName(name);
    return readable ? readable->Caption : name;
}

} // namespace

CommissioningReport BuildCommissioningReport(const ReportInputs &in) {
    CommissioningReport r;
    r.Title = std::string(kModelName) + " 시운전 보고서";
    const StatusSnapshot &s = in.Snapshot;
    const StatusViewModel &v = in.View;

    r.Tables.push_back({"장비 정보",
                        {},
                        {{"모델", kModelName},
                         {"펌웨어 버전 (날짜)", FieldOf(v, "edtVer")},
                         {"장비 ID", FieldOf(v, "edtDeviceID")},
                         {"MAC 주소", s.MACText},
                         {"IP 주소", s.IPText},
                         {"서브넷 마스크", s.SMText},
                         {"게이트웨이", s.GWText},
                         {"장비 시각", s.DateText + " " + s.TimeText},
                         {"보고서 작성 일시", in.Created}},
                        {}});

    // Set-points in the spelling of the site profile, so the report and a saved profile agree.
    const SiteProfile held = ProfileFromSnapshot(s);
    ReportTable setpoints{"운용/알람 설정", {}, {}, {}};
    ReportTable acl{"접근 제어 목록 (ACL)", {}, {}, {}};
    for (const ProfileSettingInfo &info : ProfileSettingInfos()) {
        std::string value = held.Value(info.Setting).value_or("");
        if (*info.Unit == 'V')
            value += " V";
        (info.AclDialog && info.Setting != ProfileSetting::EthSpeed ? acl : setpoints)
            .Rows.push_back({info.Label, value});
    }
    r.Tables.push_back(std::move(setpoints));
    r.Tables.push_back(std::move(acl));

    r.Tables.push_back({"현재 측정값",
                        {},
                        {{"AC 입력 전압", s.ACVText},
                         {"DC 출력 전압", s.DCVText},
                         {"부하 전류", s.LCAText},
                         {"축전지 전류", s.BCAText},
                         {"랙 온도", s.RTText},
                         {"이더넷 링크", v.LinkText}},
                        {}});

    ReportTable lamps{"경보 램프", {}, {}, {}};
    for (const LampState &lamp : v.Lamps)
        if (lamp.Name)
            lamps.Rows.push_back({LampLabel(lamp.Name), lamp.Active ? "경보" : "정상"});
    r.Tables.push_back(std::move(lamps));

    const LinkCounters &c = in.Counters;
    uint64_t dropped = 0;
    for (uint64_t d : c.Dropped)
        dropped += d;
    uint64_t exceptions = 0;
    for (const auto &[code, count] : c.Exceptions)
        exceptions += count;
    r.Tables.push_back({"통신 상태 (이번 세션)",
                        {},
                        {{"연결", in.LinkName},
                         {"상태", in.HealthText},
                         {"요청", std::to_string(c.Requests)},
                         {"응답", std::to_string(c.Replies)},
                         {"시간 초과", std::to_string(c.Timeouts)},
                         {"CRC 오류", std::to_string(c.CrcErrors)},
                         {"버린 프레임", std::to_string(dropped)},
                         {"예외 응답", std::to_string(exceptions)},
                         {"재연결", std::to_string(c.Reconnects)},
                         {"마지막 오류", c.LastError.empty() ? "-" : c.LastError}},
                        {}});

    bool anyLog = false;
    for (const auto &[kind, rows] : in.Logs) {
        if (rows.size() < 2)
            continue;
        anyLog = true;
        const char *name = kind == HistoryKind::Event  ? "이벤트 이력"
                           : kind == HistoryKind::Data ? "데이터 이력"
                                                       : "알람 이력";
        const std::size_t records = rows.size() - 1;
        const std::size_t first = records > kReportHistoryRows ? rows.size() - kReportHistoryRows : 1;
        r.Tables.push_back({std::string("이력: ") + name,
                            rows.front(),
                            {rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end()},
                            "기록 " + std::to_string(records) + "건 중 마지막 " +
                                std::to_string(rows.size() - first) + "건"});
    }
    if (!anyLog)
        r.Tables.push_back({"이력", {}, {}, "이번 세션에서 내려받은 이력이 없습니다."});

    r.SignatureLines = {"기술자 이름: ______________________", "서명: ______________________",
                        "날짜: ______________________"};
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
