// The history grid as the operator reads it, on the offscreen platform: columns to widen, numbers
// right-aligned, buttons that say what they do. Rows go in through the window's view, as a download
// writes them.
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

#include "app/console.h"
#include "history/history_record.h"
#include "history/history_window.h"
#include "support/gui_helpers.h"

namespace zephyra {
namespace {

using test::Child;

TEST(HistoryGrid, ColumnsWidenNumbersAlignRightAndButtonsSayWhatTheyDo) {
    QTemporaryDir dir;
    std::ostringstream trace;
    ConsoleOptions options;
    options.Trace = &trace;
    options.ProgramDir = dir.path();
    Console console(options);
    struct Case {
        HistoryKind kind;
        std::vector<Bytes> records;
        std::vector<int> numberColumns;
    };
    const Case cases[] = {
        {HistoryKind::Alarm,
         {{0x00, 0x01, 25, 3, 7, 14, 5, 9, 0x00, 221, 0x03, 0xE8, 0x00, 123, 0xFF, 0xF1, 0x00, 253, 7, 0},
          {0x00, 0x02, 25, 3, 7, 14, 6, 0, 0x00, 95, 0x00, 5, 0x00, 0, 0x00, 15, 0xFF, 0x9C, 2, 1},
          {0x00, 0x03, 25, 3, 8, 0, 0, 1, 0x00, 0, 0x02, 0x1C, 0x04, 0xD2, 0x80, 0x00, 0x27, 0x0F, 8, 1}},
         {0, 3, 4, 5, 6, 7}},
        {HistoryKind::Event,
         {{0x00, 0x01, 25, 3, 7, 14, 5, 9, 2, 31, 31, 2, 0xC0, 0xA8},
          {0x00, 0x02, 25, 3, 7, 14, 5, 10, 1, 1, 1, 1, 0xFF, 0xF1}},
         {0, 7}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        std::unique_ptr<HistoryWindowBase> w;
        if (c.kind == HistoryKind::Event)
            w = std::make_unique<TfrmEventHistory>(console.HistoryWindows(), &console.MainWindow());
        else
            w = std::make_unique<TfrmHistory>(console.HistoryWindows(), c.kind, nullptr,
                                              &console.MainWindow());
        w->show();
        w->SetRowCount(static_cast<int>(c.records.size()) + 1);
        for (std::size_t r = 0; r < c.records.size(); ++r) {
            const int row = static_cast<int>(r) + 1;
            w->SetRow(row, DecodeHistoryRecord(c.kind, row, c.records[r]));
        }

        QTableView *grid = w->StringGrid();
        QHeaderView *header = grid->horizontalHeader();
        const int columns = grid->model()->columnCount();
        for (int col = 0; col < columns; ++col) {
            EXPECT_EQ(header->sectionResizeMode(col), QHeaderView::Interactive) << col;
            const bool number =
                std::find(c.numberColumns.begin(), c.numberColumns.end(), col) != c.numberColumns.end();
            for (int row = 0; row < static_cast<int>(c.records.size()); ++row) {
                const QModelIndex index = grid->model()->index(row, col);
                EXPECT_FALSE(index.data().toString().isEmpty()) << row << "," << col;
                const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
                EXPECT_EQ(align & Qt::AlignHorizontal_Mask, number ? Qt::AlignRight : Qt::AlignLeft)
                    << row << "," << col << " " << index.data().toString().toStdString();
            }
        }
        for (auto [name, text] : {std::pair{"bbtFileSave", "Save File"}, std::pair{"bbtClose", "Close"},
                                  std::pair{"bbtReqStop", "Stop Request"}}) {
            auto *button = Child<QPushButton>(w.get(), name);
            ASSERT_TRUE(button) << name;
            EXPECT_EQ(button->text(), text);
            EXPECT_FALSE(button->icon().isNull()) << name;
            EXPECT_GE(button->width(), button->sizeHint().width()) << name << ": the text whole";
        }
        if (c.kind == HistoryKind::Alarm) {
            // For a look: build/tests/history/history_grid_alarm.png
            EXPECT_TRUE(w->grab().save(QDir::current().filePath("history_grid_alarm.png")));
        }
    }
}

} // namespace
} // namespace zephyra
