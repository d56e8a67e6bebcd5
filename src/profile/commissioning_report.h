// The commissioning report's content: what the device is, what it is set to, what it measures, how the
// link fared and what its logs hold, as titled tables. The PDF writer only lays them out.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "history/history_record.h"
#include "link/link_monitor.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"

namespace zephyra {

struct ReportInputs {
    StatusSnapshot Snapshot;
    StatusViewModel View;
    std::string LinkName; // port or host
    LinkCounters Counters;
    std::string HealthText;
    std::string Created; // local date and time of writing
    // The logs downloaded in this session, the last download of each kind, header row first.
    std::map<HistoryKind, std::vector<HistoryRow>> Logs;
};

struct ReportTable {
    std::string Heading;
    std::vector<std::string> Header; // empty: a two-column list of label and value
    std::vector<std::vector<std::string>> Rows;
    std::string Note;
};

struct CommissioningReport {
    std::string Title;
    std::vector<ReportTable> Tables;
    // The technician fills these in by hand.
    std::vector<std::string> SignatureLines;
};

inline constexpr int kReportHistoryRows = 20;

CommissioningReport BuildCommissioningReport(const ReportInputs &in);

// A download's grid (header, then one row per record, empty until received) without the rows at its end
// that never arrived: a stopped download reports what it got.
std::vector<HistoryRow> ReceivedRows(const std::vector<HistoryRow> &grid);

} // namespace zephyra
