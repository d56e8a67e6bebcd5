#include "profile/commissioning_report.h"

#include <algorithm>
#include <cstring>

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

std::string LampLabel(const char *name) {
    const ReadableName *readable = FindReadableName(name);
    return readable ? TranslateCoreValue(readable->Caption) : name;
}

// A downloaded log's header and cells, as the history window shows them.
std::vector<HistoryRow> LogRows(std::vector<HistoryRow>::const_iterator first,
                                std::vector<HistoryRow>::const_iterator last) {
    std::vector<HistoryRow> rows(first, last);
    for (HistoryRow &row : rows)
        for (std::string &cell : row)
            cell = TranslateCoreValue(cell);
    return rows;
}

// The report reads in the windows' language.
std::string T(const char *text) {
    return TranslateCoreText(text);
}

} // namespace

CommissioningReport BuildCommissioningReport(const ReportInputs &in) {
    CommissioningReport r;
    r.Title = FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1 시운전 보고서"), {kModelName});
    const StatusSnapshot &s = in.Snapshot;
    const StatusViewModel &v = in.View;

    r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "장비 정보")),
                        {},
                        {{T(ZEPHYRA_TEXT("zephyra", "모델")), kModelName},
                         {T(ZEPHYRA_TEXT("zephyra", "펌웨어 버전 (날짜)")), FieldOf(v, "edtVer")},
                         {T(ZEPHYRA_TEXT("zephyra", "장비 ID")), FieldOf(v, "edtDeviceID")},
                         {T(ZEPHYRA_TEXT("zephyra", "MAC 주소")), s.MACText},
                         {T(ZEPHYRA_TEXT("zephyra", "IP 주소")), s.IPText},
                         {T(ZEPHYRA_TEXT("zephyra", "서브넷 마스크")), s.SMText},
                         {T(ZEPHYRA_TEXT("zephyra", "게이트웨이")), s.GWText},
                         {T(ZEPHYRA_TEXT("zephyra", "장비 시각")), s.DateText + " " + s.TimeText},
                         {T(ZEPHYRA_TEXT("zephyra", "보고서 작성 일시")), in.Created}},
                        {}});

    // Set-points in the spelling of the site profile, so the report and a saved profile agree.
    const SiteProfile held = ProfileFromSnapshot(s);
    ReportTable setpoints{T(ZEPHYRA_TEXT("zephyra", "운용/알람 설정")), {}, {}, {}};
    ReportTable acl{T(ZEPHYRA_TEXT("zephyra", "접근 제어 목록 (ACL)")), {}, {}, {}};
    for (const ProfileSettingInfo &info : ProfileSettingInfos()) {
        std::string value = ShownValue(info.Setting, held.Value(info.Setting).value_or(""));
        if (*info.Unit == 'V')
            value += " V";
        (info.AclDialog && info.Setting != ProfileSetting::EthSpeed ? acl : setpoints)
            .Rows.push_back({T(info.Label), value});
    }
    r.Tables.push_back(std::move(setpoints));
    r.Tables.push_back(std::move(acl));

    r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "현재 측정값")),
                        {},
                        // A measurement the device reports as unused is a word, not a number.
                        {{T(ZEPHYRA_TEXT("zephyra", "AC 입력 전압")), TranslateCoreValue(s.ACVText)},
                         {T(ZEPHYRA_TEXT("zephyra", "DC 출력 전압")), TranslateCoreValue(s.DCVText)},
                         {T(ZEPHYRA_TEXT("zephyra", "부하 전류")), TranslateCoreValue(s.LCAText)},
                         {T(ZEPHYRA_TEXT("zephyra", "축전지 전류")), TranslateCoreValue(s.BCAText)},
                         {T(ZEPHYRA_TEXT("zephyra", "랙 온도")), TranslateCoreValue(s.RTText)},
                         {T(ZEPHYRA_TEXT("zephyra", "이더넷 링크")), v.LinkText}},
                        {}});

    ReportTable lamps{T(ZEPHYRA_TEXT("zephyra", "경보 램프")), {}, {}, {}};
    for (const LampState &lamp : v.Lamps)
        if (lamp.Name)
            lamps.Rows.push_back({LampLabel(lamp.Name), lamp.Active ? T(ZEPHYRA_TEXT("zephyra", "경보"))
                                                                    : T(ZEPHYRA_TEXT("zephyra", "정상"))});
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
         {},
         {{T(ZEPHYRA_TEXT("zephyra", "연결")), in.LinkName},
          {T(ZEPHYRA_TEXT("zephyra", "상태")), in.HealthText},
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
        r.Tables.push_back({FormatCoreText(ZEPHYRA_TEXT("zephyra", "이력: %1"), {name}),
                            LogRows(rows.begin(), rows.begin() + 1).front(),
                            LogRows(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end()),
                            FormatCoreText(ZEPHYRA_TEXT("zephyra", "기록 %1건 중 마지막 %2건"),
                                           {std::to_string(records), std::to_string(rows.size() - first)})});
    }
    if (!anyLog)
        r.Tables.push_back({T(ZEPHYRA_TEXT("zephyra", "이력")),
                            {},
                            {},
                            T(ZEPHYRA_TEXT("zephyra", "이번 세션에서 내려받은 이력이 없습니다."))});

    r.SignatureLines = {T(ZEPHYRA_TEXT("zephyra", "기술자 이름: ______________________")),
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
