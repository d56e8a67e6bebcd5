// The traffic window: shows each stored line once, survives the store wrapping, pauses, clears, saves.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "link/modbus_codec.h"
#include "device/traffic_window.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"

namespace zephyra {
namespace {

using test::Child;

class TrafficWindow : public ::testing::Test {
protected:
    void Send(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            clock.Advance(1);
            monitor.RequestSent(LinkKind::Serial, WithCrc(WriteRequestUnit(0x28, sent++)), 0);
        }
    }
    QStringList Shown() const { return view->toPlainText().split('\n', Qt::SkipEmptyParts); }
    QString Line(std::size_t i) const {
        return QString::fromStdString(FormatTrafficLine(monitor.Lines()[i], TextTranslator()));
    }
    void Click(const char *name) { QTest::mouseClick(Child<QPushButton>(&window, name), Qt::LeftButton); }

    fakes::FakeClock clock;
    LinkMonitor monitor{clock, TextTranslator()};
    TfrmTraffic window{monitor};
    QPlainTextEdit *view = Child<QPlainTextEdit>(&window, "lstTraffic");
    int sent = 0;
};

TEST_F(TrafficWindow, ShowsTheNewestStoredLinesOnceEach) {
    constexpr std::size_t full = LinkMonitor::kLineCapacity;
    auto expectStore = [&](const char *step) {
        const QStringList shown = Shown();
        ASSERT_EQ(shown.size(), int(full)) << step;
        EXPECT_EQ(shown.front(), Line(0)) << step;
        EXPECT_EQ(shown.back(), Line(full - 1)) << step;
    };
    Send(3);
    window.show();
    ASSERT_EQ(Shown().size(), 3);
    Send(full + 5);
    window.Refresh();
    expectStore("more than the store holds since the last look");
    Send(2000);
    window.Refresh();
    expectStore("enough to reload rather than trim");
    window.hide();
    Send(1);
    window.show();
    expectStore("closed and shown again");
    EXPECT_EQ(Child<QWidget>(&window, "btnSave")->accessibleDescription(), "btnSave");
}

TEST_F(TrafficWindow, PauseClearResetAndSave) {
    window.show();
    Send(2);
    window.Refresh();
    window.Refresh();
    ASSERT_EQ(Shown().size(), 2);
    Click("btnPause");
    Send(2);
    window.Refresh();
    EXPECT_EQ(Shown().size(), 2);
    Click("btnPause"); // resumes with what came meanwhile
    EXPECT_EQ(Shown(), (QStringList{Line(0), Line(1), Line(2), Line(3)}));

    QTemporaryDir dir;
    ASSERT_TRUE(window.SaveTo(dir.filePath("traffic.txt")));
    QFile file(dir.filePath("traffic.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), Shown().join('\n') + "\n");
    EXPECT_FALSE(window.SaveTo(dir.filePath("missing/traffic.txt")));

    auto *counters = Child<QLabel>(&window, "labCounters");
    EXPECT_TRUE(counters->text().startsWith("요청 4 ")) << counters->text().toStdString();
    Click("btnReset");
    EXPECT_TRUE(counters->text().startsWith("요청 0 ")) << counters->text().toStdString();
    Click("btnClear");
    EXPECT_TRUE(view->toPlainText().isEmpty());
    Send(1);
    window.Refresh();
    EXPECT_EQ(Shown(), QStringList{Line(0)});
}

} // namespace
} // namespace zephyra
