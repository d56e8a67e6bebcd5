// The history windows: TfrmHistory (alarm and data logs) and TfrmEventHistory (event log). Each shows
// the rows the HistoryController hands it, with the top bar of Save File, Close, Stop Request, gauge and
// count label, and under it a line for a silent device and for where Save File put the workbook. The
// controller decides everything; the windows render and pass the clicks on.
#pragma once

#include "core/text_key.h"
#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <vector>

#include <QString>

#include "history/history_controller.h"

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace zephyra {

// What the history windows, the initialise dialog and the history commands work with.
struct HistoryContext {
    HistoryController &History;
    Operator &Messages;
    // Workbooks are saved here (read at each save): the program's folder, or the user's when that
    // cannot be written.
    const QString &FilesDir;
};

class TfrmHistList;
class ElidedPanel;

inline constexpr const char *kHistoryCaption = ZEPHYRA_TEXT("zephyra", "이력 데이터 ");
inline constexpr int kHistoryGridRows = 2001; // header row and 2000 record rows until the count is known
inline constexpr int kHistoryRowHeight = 20;
inline constexpr int kHistoryBarHeight = 30;
inline constexpr int kHistoryStatusHeight = 28; // the line under the bar: stall, saved file
inline constexpr const char *kOpenFolder = ZEPHYRA_TEXT("zephyra", "폴더 열기");

// The grid's rows: grid row 0 (the header) is the horizontal header, grid row r >= 1 is model row r - 1.
// Writing a row touches that row only, so the last of 2000 rows costs what the first did.
class HistoryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryGridModel(int columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Grid rows including the header row.
    void SetGridRows(int rows);
    int GridRows() const { return static_cast<int>(rows_.size()) + 1; }
    void SetHeader(const HistoryRow &cells);
    // Columns whose cells are right-aligned, by column index.
    void SetNumberColumns(std::vector<bool> numbers);
    void SetRecord(int row, const HistoryRow &cells);
    // Text of a grid cell; row 0 is the header.
    QString Cell(int row, int column) const;

private:
    int columns_;
    QStringList header_;
    std::vector<QStringList> rows_;
    std::vector<bool> numbers_;
};

class HistoryWindowBase : public QDialog, public HistoryView {
    Q_OBJECT
public:
    ~HistoryWindowBase() override;

    // HistoryView
    void SetRowCount(int rows) override;
    void SetRow(int row, const HistoryRow &cells) override;
    void SetGauge(int percent) override;
    void SetCountLabel(const std::string &text) override;
    void EnableClose(bool enabled) override;
    void EnableSave(bool enabled) override;
    void EnableStop(bool enabled) override;
    void SetStall(const std::string &text) override;

    void bbtCloseClick();
    void bbtFileSaveClick();
    void bbtReqStopClick();
    void bbtOpenFolderClick();
    // Esc must not close the window either: Close is the only way out.
    void reject() override;

    HistoryKind Kind() const { return kind_; }
    HistoryGridModel &Grid() { return *model_; }
    QTableView *StringGrid() const { return grid_; }

protected:
    HistoryWindowBase(HistoryContext ctx, HistoryKind kind, const char *name, QSize size, QWidget *parent);
    // The bar's layout, for a window that adds its own buttons after Close.
    void AddToBar(QWidget *widget);
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void WriteHeader();

    HistoryContext ctx_;
    HistoryKind kind_;
    bool closing_ = false;
    HistoryGridModel *model_;
    QTableView *grid_;
    QPushButton *bbtFileSave_;
    QPushButton *bbtClose_;
    QPushButton *bbtReqStop_;
    QProgressBar *gauge_;
    QLabel *labAlarm_;
    QLabel *labStall_;
    QLabel *labSavedCount_;
    ElidedPanel *labSaved_;
    QPushButton *bbtOpenFolder_;
    QString savedFolder_;
    QHBoxLayout *bar_;
    int barInsert_ = 0;
};

// Alarm and data log window, with the abbreviation list button.
class TfrmHistory : public HistoryWindowBase {
    Q_OBJECT
public:
    static constexpr int kWidth = 840;
    static constexpr int kHeight = 565;
    TfrmHistory(HistoryContext ctx, HistoryKind kind, TfrmHistList *list, QWidget *parent = nullptr);
    ~TfrmHistory() override;

    void BitBtn2Click();

private:
    QPointer<TfrmHistList> list_;
};

class TfrmEventHistory : public HistoryWindowBase {
    Q_OBJECT
public:
    static constexpr int kWidth = 856;
    static constexpr int kHeight = 565;
    explicit TfrmEventHistory(HistoryContext ctx, QWidget *parent = nullptr);
};

} // namespace zephyra
