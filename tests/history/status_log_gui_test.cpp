// The Log page of the real console on the offscreen platform, without a device: status blocks go to the
// dispatcher and the log steps are driven through Timer5's slot.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "history/status_log_page.h"
#include "support/gui_helpers.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::Child;
using test::StatusBlock;

// Answers every modal box while it lives and keeps what they said.
class BoxRecorder {
public:
    explicit BoxRecorder(QObject *owner) : timer_(new QTimer(owner)) {
        QObject::connect(timer_, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.push_back(box->text());
            icons.push_back(box->icon());
            test::CloseBox(box);
        });
        timer_->start(10);
    }
    ~BoxRecorder() { delete timer_; }
    std::vector<QString> texts;
    std::vector<QMessageBox::Icon> icons;

private:
    QTimer *timer_;
};

std::string FileText(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return ToCp949(text);
}

class LogPageTest : public ::testing::Test {
public:
    void SetUp() override { Start(dir.path()); }

    void Start(const QString &programDir, const QString &userDir = {}) {
        console.reset();
        ConsoleOptions options;
        options.Trace = &trace;
        options.ProgramDir = programDir;
        options.UserDir = userDir;
        console = std::make_unique<Console>(options);
        window().show();
        page = Child<TStatusLogPage>(&window(), "LocalStatusLog");
        ASSERT_NE(page, nullptr);
        memo = Child<QPlainTextEdit>(page, "mmLogo");
        // The pages appear with the first decode; the operator types into a memo on screen.
        auto *pages = Child<QTabWidget>(&window(), "PageControl1");
        pages->setVisible(true);
        pages->setCurrentWidget(window().LogPage());
    }

    TMain_Form &window() { return console->MainWindow(); }
    QPushButton *button(const char *name) { return Child<QPushButton>(page, name); }
    QString field(const char *name) { return Child<QLineEdit>(&window(), name)->text(); }
    void Decode(const StatusBlock &block) { console->Controller().ResponseDispatcher(0x04, block.Payload()); }

    std::vector<std::string> MemoLines() const {
        std::vector<std::string> lines;
        const QString text = memo->toPlainText();
        if (!text.isEmpty())
            for (const QString &line : text.split('\n'))
                lines.push_back(line.toStdString());
        return lines;
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    std::string ReadLogFile(const QString &name) const {
        QFile f(QDir(dir.path()).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return f.readAll().toStdString();
    }
    // The line as the operator sees the values in the Information page's fields.
    std::string LineFromFields() {
        std::string line =
            "[" + field("edtDate").toStdString() + "  " + field("edtTime").toStdString() + "] ; ";
        for (const char *name : {"edtACV", "edtDCV", "edtLCA", "edtBCA", "edtRT"})
            line += field(name).toStdString() + " ; ";
        return line + console->Controller().Snapshot().AlarmText + " ; ";
    }

    QTemporaryDir dir;
    std::ostringstream trace;
    std::unique_ptr<Console> console;
    TStatusLogPage *page = nullptr;
    QPlainTextEdit *memo = nullptr;
};

const StatusBlock kBlock = StatusBlock().Set({{0x0001, 2025},
                                              {0x0002, 8},
                                              {0x0003, 7},
                                              {0x0004, 9},
                                              {0x0005, 5},
                                              {0x0006, 3},
                                              {0x0007, 221},
                                              {0x0008, 535},
                                              {0x0009, 123},
                                              {0x000A, 0xFFF1},
                                              {0x000B, 9999},
                                              {0x000C, 0x41}});

TEST_F(LogPageTest, StartsStoppedWithAnEditableUnwrappedMemoAndTheFirstPeriod) {
    EXPECT_EQ(button("btnLogo")->text(), "Log Start");
    EXPECT_EQ(button("Button1")->text(), "Save");
    EXPECT_EQ(button("Button2")->text(), "Delete");
    EXPECT_FALSE(page->Timer5().isActive());
    EXPECT_EQ(page->Timer5().interval(), 2000);
    EXPECT_EQ(Child<QGroupBox>(page, "rgLogoTime")->title(), "Log Time");
    EXPECT_TRUE(Child<QRadioButton>(page, "rgLogoTime0")->isChecked());
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->font().family(), "Verdana");
    EXPECT_TRUE(memo->toPlainText().isEmpty());
}

TEST_F(LogPageTest, EachPeriodChoiceSetsTimer5AndARunningLogKeepsRunning) {
    const std::vector<std::pair<QString, int>> choices{
        {"2sec", 2000},   {"10sec", 10000},  {"1Min", 60000},    {"2Min", 120000},
        {"5Min", 300000}, {"10Min", 600000}, {"30Min", 1800000}, {"1Hour", 3600000}};
    for (bool running : {false, true}) {
        if (running)
            button("btnLogo")->click();
        ASSERT_EQ(page->Timer5().isActive(), running);
        for (std::size_t i = 0; i < choices.size(); ++i) {
            auto *choice = Child<QRadioButton>(page, QStringLiteral("rgLogoTime%1").arg(i).toLatin1());
            EXPECT_EQ(choice->text(), choices[i].first);
            QTest::mouseClick(choice, Qt::LeftButton);
            EXPECT_EQ(page->Timer5().interval(), choices[i].second) << choice->text().toStdString();
            EXPECT_EQ(page->Timer5().isActive(), running) << choice->text().toStdString();
        }
        EXPECT_TRUE(Child<QRadioButton>(page, "rgLogoTime7")->isChecked());
        EXPECT_EQ(button("btnLogo")->text(), running ? "Log Stop" : "Log Start");
    }
    EXPECT_EQ(MemoLines(), LogHeader());
}

TEST_F(LogPageTest, StartAddsTheHeaderAtOnceEachStepALineAndStopThenStartASecondHeader) {
    button("btnLogo")->click();
    EXPECT_EQ(button("btnLogo")->text(), "Log Stop");
    EXPECT_TRUE(page->Timer5().isActive());
    EXPECT_EQ(MemoLines(), LogHeader());

    // Before any status the line has its separators only.
    page->Timer5Timer();
    Decode(kBlock);
    page->Timer5Timer();
    EXPECT_TRUE(page->Timer5().isActive()) << "the step restarts the timer";
    std::vector<std::string> expected = LogHeader();
    expected.push_back("[  ] ;  ;  ;  ;  ;  ;  ; ");
    expected.push_back(LineFromFields());
    EXPECT_EQ(expected.back(),
              "[2025-08-07  09:05:03] ; 221 V ; 53.5 V ; 12.3 A ; -1.5 A ; 미사용 ; 0x41 ; ");
    EXPECT_EQ(MemoLines(), expected);

    button("btnLogo")->click();
    EXPECT_EQ(button("btnLogo")->text(), "Log Start");
    EXPECT_FALSE(page->Timer5().isActive());
    EXPECT_TRUE(Files().isEmpty()) << "stopping writes no file";

    button("btnLogo")->click();
    for (const std::string &line : LogHeader())
        expected.push_back(line);
    EXPECT_EQ(MemoLines(), expected);
    EXPECT_EQ(page->Log().Lines(), expected);
}

TEST_F(LogPageTest, SaveWritesWhatTheMemoShowsOperatorEditsIncludedAndKeepsIt) {
    button("Button1")->click();
    ASSERT_EQ(Files().size(), 1);
    EXPECT_EQ(ReadLogFile(Files()[0]), "") << "an empty memo gives an empty file";

    Decode(kBlock);
    button("btnLogo")->click();
    page->Timer5Timer();
    // The operator types below the lines and replaces the header's first line.
    memo->moveCursor(QTextCursor::End);
    memo->insertPlainText("\nchecked by 김");
    QTextCursor top(memo->document());
    top.select(QTextCursor::LineUnderCursor);
    top.insertText("note");
    page->Timer5Timer();

    std::vector<std::string> expected = LogHeader();
    expected[0] = "note";
    expected.push_back(LineFromFields());
    expected.push_back("checked by 김");
    expected.push_back(LineFromFields());
    EXPECT_EQ(MemoLines(), expected);
    EXPECT_EQ(page->Log().Lines(), expected);

    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "!");
    expected.back() += "!";
    button("Button1")->click();
    ASSERT_EQ(Files().size(), 2);
    EXPECT_EQ(ReadLogFile(Files()[1]), FileText(expected));
    EXPECT_EQ(Child<QLabel>(page, "labLogSaved")->text(), QDir::toNativeSeparators(dir.filePath(Files()[1])))
        << "where the file went";
    EXPECT_EQ(Child<QLabel>(page, "labLogSaved")->accessibleName(),
              Child<QLabel>(page, "labLogSaved")->text());
    EXPECT_EQ(MemoLines(), expected);

    button("Button2")->click();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_TRUE(page->Log().Lines().empty());
    EXPECT_EQ(Files().size(), 2) << "Delete writes nothing";
}

TEST_F(LogPageTest, TheThousandAndFirstLineGoesToAFileAndTheMemoStartsOverWithAHeader) {
    QTest::keyClicks(memo, "earlier text");
    Decode(kBlock);
    button("btnLogo")->click();
    // Seven lines now: each step must add its line without rewriting the text before it.
    int rewrites = 0;
    QObject::connect(memo->document(), &QTextDocument::contentsChange, memo,
                     [&](int, int removed, int) { rewrites += removed > 0; });
    for (int i = 0; i < 993; ++i)
        page->Timer5Timer();
    EXPECT_EQ(rewrites, 0);
    EXPECT_EQ(memo->blockCount(), 1000);
    EXPECT_TRUE(Files().isEmpty());

    page->Timer5Timer();
    EXPECT_TRUE(page->Timer5().isActive());
    EXPECT_EQ(MemoLines(), LogHeader());
    EXPECT_EQ(page->Log().Lines(), LogHeader());
    ASSERT_EQ(Files().size(), 1);
    std::vector<std::string> written{"earlier text"};
    for (const std::string &line : LogHeader())
        written.push_back(line);
    written.resize(1001, LineFromFields());
    EXPECT_EQ(ReadLogFile(Files()[0]), FileText(written));

    page->Timer5Timer();
    EXPECT_EQ(memo->blockCount(), 7);
}

TEST_F(LogPageTest, ExitWritesLinesNoFileHoldsYet) {
    struct Case {
        const char *name;
        std::function<void(LogPageTest &)> before;
        bool writes;
    };
    const std::vector<Case> cases{
        {"a fresh header only", [](LogPageTest &t) { t.button("btnLogo")->click(); }, false},
        {"logged lines",
         [](LogPageTest &t) {
             t.button("btnLogo")->click();
             t.page->Timer5Timer();
         },
         true},
        {"operator text", [](LogPageTest &t) { QTest::keyClicks(t.memo, "x"); }, true},
        {"lines already saved",
         [](LogPageTest &t) {
             QTest::keyClicks(t.memo, "x");
             t.button("Button1")->click();
         },
         false},
        {"deleted lines",
         [](LogPageTest &t) {
             QTest::keyClicks(t.memo, "x");
             t.button("Button2")->click();
         },
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        Start(caseDir.path());
        Decode(kBlock);
        c.before(*this);
        const std::vector<std::string> lines = MemoLines();
        const int before = QDir(caseDir.path()).entryList(QDir::Files).size();
        window().mExitClick();
        EXPECT_FALSE(page->Timer5().isActive());
        EXPECT_EQ(button("btnLogo")->text(), "Log Start");
        const QStringList after = QDir(caseDir.path()).entryList(QDir::Files, QDir::Name);
        ASSERT_EQ(after.size(), before + (c.writes ? 1 : 0));
        if (c.writes) {
            QFile f(QDir(caseDir.path()).filePath(after.back()));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll().toStdString(), FileText(lines));
        }
    }
}

TEST_F(LogPageTest, UnwritableDirectoryNamesTheFileKeepsEveryLineAndTheLogRunning) {
    // Root may write anywhere: a path below a plain file is one nobody can create.
    QFile plain(dir.filePath("plain-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString bad = dir.filePath("plain-file/logs");
    Start(bad);
    BoxRecorder boxes(&window());
    Decode(kBlock);

    button("Button1")->click();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_TRUE(boxes.texts[0].contains(bad + "/ZEPHYRA-M10_")) << boxes.texts[0].toStdString();
    EXPECT_EQ(boxes.icons[0], QMessageBox::Critical);

    button("btnLogo")->click();
    for (int i = 0; i < 994; ++i)
        page->Timer5Timer();
    ASSERT_EQ(boxes.texts.size(), 1u);
    page->Timer5Timer();
    ASSERT_EQ(boxes.texts.size(), 2u) << "the failed automatic write is reported";
    EXPECT_TRUE(boxes.texts[1].contains(bad + "/ZEPHYRA-M10_")) << boxes.texts[1].toStdString();
    EXPECT_EQ(memo->blockCount(), 1001);
    EXPECT_EQ(button("btnLogo")->text(), "Log Stop");
    EXPECT_TRUE(page->Timer5().isActive()) << "the button says the log runs, so it must";

    // Later steps try again without a box each period, and keep every line.
    page->Timer5Timer();
    page->Timer5Timer();
    EXPECT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(memo->blockCount(), 1003);
    EXPECT_EQ(page->Log().Lines(), MemoLines());

    // Stop and start: a fresh failure is reported again.
    button("btnLogo")->click();
    button("btnLogo")->click();
    page->Timer5Timer();
    EXPECT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(memo->blockCount(), 1010);

    window().mExitClick();
    ASSERT_EQ(boxes.texts.size(), 4u) << "the lines that could not be kept at exit are reported";
    EXPECT_TRUE(boxes.texts[3].contains(bad)) << boxes.texts[3].toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files) == QStringList{"plain-file"});
}

TEST_F(LogPageTest, ExitKeepsUnsavedLinesInTheUserFolderWhenTheProgramFolderCannotBeWrittenAnyMore) {
    const QString program = dir.filePath("program");
    const QString user = dir.filePath("user/ZEPHYRA-M10");
    ASSERT_TRUE(QDir().mkpath(program));
    Start(program, user);
    Decode(kBlock);
    button("btnLogo")->click();
    page->Timer5Timer();
    const std::vector<std::string> lines = MemoLines();
    // The program's folder went away while the console ran; a plain file now stands in its place.
    ASSERT_TRUE(QDir(program).removeRecursively());
    QFile plain(program);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    BoxRecorder boxes(&window());
    window().mExitClick();
    const QStringList saved = QDir(user).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    QFile f(QDir(user).filePath(saved[0]));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), FileText(lines));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.icons[0], QMessageBox::Information);
    EXPECT_TRUE(boxes.texts[0].contains(program)) << "the folder that failed";
    EXPECT_TRUE(boxes.texts[0].contains(QDir::toNativeSeparators(QDir(user).filePath(saved[0]))))
        << boxes.texts[0].toStdString();
}

TEST_F(LogPageTest, PageShowsEveryControlWholeWithKoreanInTheMemo) {
    Decode(kBlock);
    button("btnLogo")->click();
    for (int i = 0; i < 40; ++i)
        page->Timer5Timer();
    button("Button1")->click(); // and where the file went
    QApplication::processEvents();
    // For a look: build/tests/history/status_log_page.png
    EXPECT_TRUE(window().grab().save(QDir::current().filePath("status_log_page.png")));

    const QRect area = page->rect();
    QList<QWidget *> controls{memo, Child<QGroupBox>(page, "rgLogoTime")};
    for (QWidget *w : page->findChildren<QRadioButton *>())
        controls << w;
    for (QWidget *w : page->findChildren<QPushButton *>())
        controls << w;
    controls << Child<QLabel>(page, "labLogSaved");
    ASSERT_EQ(controls.size(), 2 + 8 + 3 + 1);
    for (QWidget *w : controls) {
        EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
        const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
        EXPECT_TRUE(area.contains(r)) << w->objectName().toStdString();
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
    }
    EXPECT_GT(memo->height(), 300);
}

} // namespace
} // namespace zephyra
