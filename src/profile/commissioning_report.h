// The commissioning report's content: what the device is, what it is set to, what it measures, how the
// link fared and what its logs hold, as titled tables. The PDF writer only lays them out.
#pragma once

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
    // The last log downloaded in this session: header row first. None when nothing was downloaded.
    HistoryKind History = HistoryKind::None;
    std::vector<HistoryRow> HistoryRows;
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

} // namespace zephyra
