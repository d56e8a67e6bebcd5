// The "Log" page: the memo mmLogo, the period choice, Save / Delete / Log Start and Timer5.
// The lines and their files belong to StatusLog; the page keeps the memo showing the same lines.
#pragma once

#include <QTimer>
#include <QWidget>

#include "history/status_log.h"
#include "polling/poll_controller.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zephyra {

// What the Log page works with: the last decoded status, message boxes, and the folders for its files.
struct StatusLogContext {
    const PollController &Poll;
    Operator &Messages;
    QString FilesDir;
    // Where unsaved lines go at exit when FilesDir cannot be written by then; empty: nowhere else.
    QString FallbackDir;
};

class TStatusLogPage : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kStartCaption = "Log Start";
    static constexpr const char *kStopCaption = "Log Stop";

    TStatusLogPage(StatusLogContext ctx, QWidget *parent = nullptr);

    void rgLogoTimeClick(int index);
    void btnLogoClick();
    void Timer5Timer();
    void Button1Click();
    void Button2Click();
    // The console is closing: lines no file holds yet go to one now.
    void MainFormClosing();

    bool Running() const { return running_; }
    QTimer &Timer5() { return timer5_; }
    const StatusLog &Log() const { return log_; }

private:
    // The operator may have typed in the memo: its text becomes the log's lines.
    void TakeBackEdits();
    void AppendToMemo(std::size_t firstLine);
    void ShowAllLines();
    void SetRunning(bool running);
    void ShowSaved(const LogFileResult &file);

    StatusLogContext ctx_;
    StatusLog log_;
    QTimer timer5_;
    QPlainTextEdit *mmLogo_ = nullptr;
    QGroupBox *rgLogoTime_ = nullptr;
    QButtonGroup *periods_ = nullptr;
    QPushButton *btnLogo_ = nullptr;
    QLabel *labLogSaved_ = nullptr;
    bool running_ = false;
    bool rendering_ = false;    // the page itself is changing the memo
    bool memoEdited_ = false;   // the operator changed the memo since the log last took it
    bool writeFailing_ = false; // the automatic write failed and was reported; retried every step
};

} // namespace zephyra
