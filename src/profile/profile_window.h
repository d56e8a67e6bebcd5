// Site profiles and the commissioning report in the console: the menu items beside the settings
// dialogs, the compare window and the apply run with its result window.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "access/session_model.h"
#include "history/history_controller.h"
#include "link/link_monitor.h"
#include "polling/poll_controller.h"
#include "profile/commissioning_report.h"
#include "profile/site_profile.h"

class QLabel;
class QTableWidget;

namespace zephyra {

class TMain_Form;

// What the technician types for the report, kept for the session's next report.
struct ReportEntries {
    QString Site, Technician;
    QString Profile; // a site profile to check the device against; empty: none
};

struct ProfileContext {
    PollController &Poll;
    const SessionModel &Session;
    const LinkMonitor &Monitor;
    const HistoryController &History;
    Operator &Messages;
    // Profiles and reports are offered in the folder the exports use.
    const QString &FilesDir;
    // Asks for a file name (save or open); empty when the operator cancels. Tests answer without a dialog.
    std::function<QString(QWidget *parent, const QString &suggested, bool save)> ChooseFile;
    // Asks for the report's site, technician and profile, prefilled; false when the operator cancels.
    std::function<bool(QWidget *parent, ReportEntries &entries)> AskReportEntries = {};
    // Logs downloaded earlier in the session, kept for the report: a new download clears the last one's rows.
    std::map<HistoryKind, std::vector<HistoryRow>> KeptLogs = {};
    ReportEntries Entries = {};
};

// Adds Save profile, Compare with profile, Apply profile and the report to the settings menu.
void InstallProfileCommands(TMain_Form &window, ProfileContext &ctx);

// The menu states: reading needs a login; applying needs the operating dialog to be open to this level on
// this link.
bool ProfileReadAllowed(const ProfileContext &ctx);
bool ProfileApplyAllowed(const ProfileContext &ctx);
// Why the values on show may not be saved, compared, applied against or reported now; empty when they may.
QString LiveValuesRefusal(const ProfileContext &ctx);

// Each returns the error shown, empty on success. A file the operator chose to replace is replaced only
// by a complete one.
QString SaveProfile(ProfileContext &ctx, const QString &path);
QString LoadProfile(const QString &path, SiteProfile &profile);
ReportInputs CollectReportInputs(ProfileContext &ctx);
QString SaveReport(ProfileContext &ctx, QWidget *parent, const QString &path);

// Told once what happened to each setting of an apply (empty when nothing was asked or sent).
using ProfileApplyDone = std::function<void(const std::vector<ProfileApplyResult> &)>;

// Asks first (Yes/No), then starts the controller's write sequence with what differs and returns at once:
// true when the writes started. Nothing here waits: when the sequence ends (its callback) the result
// window opens with what the device did to each write, and the next status decoded settles what the
// device now holds; done is called then, or when the result window is closed before any status came.
// When nothing is written, done is called before this returns.
bool ApplyProfile(ProfileContext &ctx, QWidget *parent, const SiteProfile &profile, ProfileApplyDone done = {});

class TfrmProfileCompare : public QDialog {
    Q_OBJECT
public:
    TfrmProfileCompare(ProfileContext &ctx, const SiteProfile &profile, const QString &file,
                       QWidget *parent = nullptr);
    const std::vector<ProfileCompareRow> &Rows() const { return rows_; }
    void btnSaveCsvClick();

private:
    ProfileContext &ctx_;
    std::vector<ProfileCompareRow> rows_;
};

class TfrmProfileResult : public QDialog {
    Q_OBJECT
public:
    // final: the status read after the writes is in (otherwise the window says it is awaited).
    TfrmProfileResult(const std::vector<ProfileApplyResult> &results, bool final, QWidget *parent = nullptr);
    void ShowResults(const std::vector<ProfileApplyResult> &results, bool final);

private:
    QTableWidget *grid_ = nullptr;
    QLabel *state_ = nullptr;
};

} // namespace zephyra
