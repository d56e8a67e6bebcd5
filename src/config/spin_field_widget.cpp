#include "config/spin_field_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "config/setting_parse.h"
#include "core/formatters.h"

namespace zephyra {

namespace {

bool Allowed(QChar c) {
    return c.unicode() < 128 && IsSpinFieldChar(static_cast<char>(c.unicode()));
}

} // namespace

SpinFieldWidget::SpinFieldWidget(const char *name, Kind kind, int32_t lo, int32_t hi, LeaveRule leave,
                                 int maxChars, QWidget *parent)
    : QAbstractSpinBox(parent), kind_(kind), lo_(lo), hi_(hi), leave_(std::move(leave)), maxChars_(maxChars) {
    setObjectName(name);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    if (maxChars_ > 0)
        lineEdit()->setMaxLength(maxChars_);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinFieldWidget::TextChanged);
}

QString SpinFieldWidget::Text() const {
    return lineEdit()->text();
}

void SpinFieldWidget::SetText(const QString &text) {
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

void SpinFieldWidget::Leave() {
    if (leave_)
        SetText(QString::fromStdString(leave_(Text().toStdString())));
}

void SpinFieldWidget::stepBy(int steps) {
    int32_t value = lo_;
    const std::string text = Text().toStdString();
    bool ok = kind_ == Kind::Integer ? ParseInteger(text, value) : ParseTenths(text, value);
    if (!ok)
        value = lo_;
    int64_t next = int64_t{value} + steps;
    if (next < lo_)
        next = lo_;
    if (next > hi_)
        next = hi_;
    const int32_t v = static_cast<int32_t>(next);
    SetText(QString::fromStdString(kind_ == Kind::Integer ? std::to_string(v) : FormatTenths(v)));
    lineEdit()->selectAll();
}

QValidator::State SpinFieldWidget::validate(QString &input, int &) const {
    // Pasted text follows the key rule; everything else is for OK to judge.
    if (maxChars_ > 0 && input.size() > maxChars_)
        return QValidator::Invalid;
    for (QChar c : input)
        if (!Allowed(c))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinFieldWidget::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void SpinFieldWidget::keyPressEvent(QKeyEvent *event) {
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!shortcut) {
        for (QChar c : typed) {
            if (c.isPrint() && !Allowed(c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinFieldWidget::focusOutEvent(QFocusEvent *event) {
    Leave();
    QAbstractSpinBox::focusOutEvent(event);
}

} // namespace zephyra
