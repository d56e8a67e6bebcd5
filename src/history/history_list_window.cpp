#include "history/history_list_window.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "status/accessible_names_widget.h"

namespace zephyra {

namespace {
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const char *const kListLines[] = {QT_TRANSLATE_NOOP("zephyra::TfrmHistList", "  ( 계측 List )"),
                                  "",
                                  QT_TRANSLATE_NOOP("zephyra::TfrmHistList", " AC(V) : AC 입력전압"),
                                  QT_TRANSLATE_NOOP("zephyra::TfrmHistList", " DC(V) : DC 출력전압"),
                                  QT_TRANSLATE_NOOP("zephyra::TfrmHistList", " LC(A)  : DC 부하전류"),
                                  QT_TRANSLATE_NOOP("zephyra::TfrmHistList", " BC(A)  : Battery 전류"),
                                  QT_TRANSLATE_NOOP("zephyra::TfrmHistList", " RT(C)  : Rack 온도")};
} // namespace

TfrmHistList::TfrmHistList(QWidget *owner) : QDialog(owner), owner_(owner) {
    setObjectName("TfrmHistList");
    setWindowTitle("LIST");
    setModal(false);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName("Memo1");
    memo_->setReadOnly(true);
    memo_->setFrameShape(QFrame::NoFrame);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines;
    for (const char *line : kListLines)
        lines << tr(line);
    memo_->setPlainText(lines.join('\n'));
    QPalette pal = memo_->palette();
    pal.setColor(QPalette::Base, kSkyBlue);
    memo_->setPalette(pal);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo_);
    resize(kWidth, kHeight);
    DescribeByObjectName(this);
}

void TfrmHistList::ShowFor(QWidget *window) {
    if (parentWidget() != window) {
        setParent(window, windowFlags());
        setFont(window->font());
    }
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TfrmHistList::Release(QWidget *window) {
    if (parentWidget() != window)
        return;
    bool shown = isVisible();
    setParent(owner_, windowFlags());
    if (shown)
        show();
}

} // namespace zephyra
