#include <gtest/gtest.h>

#include "profile/commissioning_report.h"

namespace zephyra {
namespace {

const ReportTable *Table(const CommissioningReport &r, const std::string &prefix) {
    for (const ReportTable &t : r.Tables)
        if (t.Heading.rfind(prefix, 0) == 0)
            return &t;
    return nullptr;
}

TEST(CommissioningReport, HistoryShowsItsCountAndOnlyTheLastRows) {
    const struct {
        HistoryKind Kind;
        int Records;
        std::size_t Shown;
        const char *Heading, *Note, *First;
    } cases[] = {
        {HistoryKind::None, 0, 0, "이력", "이번 세션에서 내려받은 이력이 없습니다.", nullptr},
        {HistoryKind::Alarm, 3, 3, "이력: 알람 이력", "기록 3건 중 마지막 3건", "1"},
        {HistoryKind::Event, 45, 20, "이력: 이벤트 이력", "기록 45건 중 마지막 20건", "26"},
    };
    for (const auto &c : cases) {
        ReportInputs in;
        if (c.Kind != HistoryKind::None) {
            in.Logs[c.Kind].push_back({"No", "Text"});
            for (int i = 1; i <= c.Records; ++i)
                in.Logs[c.Kind].push_back({std::to_string(i), "record"});
        }
        const CommissioningReport r = BuildCommissioningReport(in, TextTranslator());
        const ReportTable *history = Table(r, "이력");
        ASSERT_NE(history, nullptr);
        EXPECT_EQ(history->Heading, c.Heading);
        EXPECT_EQ(history->Note, c.Note);
        ASSERT_EQ(history->Rows.size(), c.Shown);
        if (c.First) {
            EXPECT_EQ(history->Rows.front()[0], c.First);
            EXPECT_EQ(history->Rows.back()[0], std::to_string(c.Records));
            EXPECT_EQ(history->Header, (std::vector<std::string>{"No", "Text"}));
        }
    }
}

} // namespace
} // namespace zephyra
