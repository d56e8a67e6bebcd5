// TfrmTraffic: every frame on the link as it goes by, with the link's counters. Modeless, so the
// operator keeps working in the main window while watching.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "link/link_monitor.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zephyra {

class TfrmTraffic : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTraffic(LinkMonitor &monitor, QWidget *parent = nullptr);

    // Appends the lines added since the last look (unless paused) and redraws the counters.
    void Refresh();
    // Every stored line, as the window shows it, UTF-8, one per line.
    bool SaveTo(const QString &path);

    void btnPauseClick();
    void btnClearClick();
    void btnResetClick();
    void btnSaveClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void AppendNewLines();
    QString CountersText() const;

    LinkMonitor &monitor_;
    // LinesAdded() at the last look: what lies beyond it in Lines() is new to the view.
    uint64_t seen_ = 0;
    bool paused_ = false;
    QPlainTextEdit *lstTraffic_;
    QLabel *labCounters_;
    QPushButton *btnPause_;
    QPushButton *btnClear_;
    QPushButton *btnReset_;
    QPushButton *btnSave_;
    QTimer *refreshTimer_;
};

class TMain_Form;
// The main window's "통신 모니터" command: one window, shown (or raised) beside the main window.
void InstallTrafficCommand(TMain_Form &window, LinkMonitor &monitor);

} // namespace zephyra
