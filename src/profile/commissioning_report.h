// The commissioning report's content: what the device is, what it is set to, what it measures, how the
// link fared and what its logs hold, as titled tables. The PDF writer only lays them out.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "history/history_record.h"
#include "link/link_monitor.h"
#include "polling/poll_controller.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"
#include "profile/site_profile.h"

namespace zephyra {

struct ReportInputs {
    StatusSnapshot Snapshot;
    StatusViewModel View;
    std::string LinkName; // port or host
    LinkCounters Counters;
    std::string HealthText;
    std::string Created; // local date and time of writing
    std::string ReadAt;  // local date and time of the status read the values come from
    std::string Age;     // how old those values were when the report was written
    std::string Site, Technician;
    // The site profile the device was checked against (its file name) and what differed; none when empty.
    std::string ProfileName;
    std::vector<ProfileCompareRow> ProfileCheck;
    // The logs downloaded in this session, the last download of each kind, header row first.
    std::map<HistoryKind, std::vector<HistoryRow>> Logs;
};

struct ReportTable {
    std::string Heading;
    std::vector<std::string> Header; // repeated on each page the table runs onto
    std::vector<std::vector<std::string>> Rows;
    std::string Note;
    bool Log = false; // many narrow columns, in a smaller type; else the first column labels the row
};

struct CommissioningReport {
    std::string Title;
    std::vector<ReportTable> Tables;
    // The technician fills these in by hand.
    std::vector<std::string> SignatureLines;
};

inline constexpr int kReportHistoryRows = 20;

// Why the values this link last read may not be saved, compared or reported (not connected, no reply on
// this link yet, stale since when), in the operator's language; empty when they may.
std::string LiveValuesRefusal(const PollController &poll, const LinkMonitor &monitor, std::time_t now,
                              const TextTranslator &tr);
// Everything the report says about the device as this link read it; the console and zephyra-cli both
// gather here and add only what the operator typed.
ReportInputs GatherReportInputs(const PollController &poll, const LinkMonitor &monitor,
                                const std::string &linkName, std::time_t now, const TextTranslator &tr);

CommissioningReport BuildCommissioningReport(const ReportInputs &in, const TextTranslator &tr);

// A download's grid (header, then one row per record, empty until received) without the rows at its end
// that never arrived: a stopped download reports what it got.
std::vector<HistoryRow> ReceivedRows(const std::vector<HistoryRow> &grid);

} // namespace zephyra
