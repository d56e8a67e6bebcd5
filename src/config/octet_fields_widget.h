// Address fields of the network dialogs: one small field per octet, joined by dots, named <prefix>1..N.
#pragma once

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <array>
#include <string>

namespace zephyra {

// Wide enough for `digits` digits and a spare one.
inline QLineEdit *OctetField(const QString &name, int digits, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 1, QChar('0'))) + 12);
    return edit;
}

template <std::size_t N>
QHBoxLayout *OctetRow(const QString &prefix, int digits, std::array<QLineEdit *, N> &fields,
                      QWidget *parent) {
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    for (std::size_t i = 0; i < N; ++i) {
        if (i)
            row->addWidget(new QLabel(".", parent));
        fields[i] = OctetField(QStringLiteral("%1%2").arg(prefix).arg(i + 1), digits, parent);
        row->addWidget(fields[i]);
    }
    return row;
}

template <std::size_t N> std::array<std::string, N> OctetTexts(const std::array<QLineEdit *, N> &fields) {
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = fields[i]->text().toStdString();
    return out;
}

template <std::size_t N>
void SetOctetTexts(const std::array<QLineEdit *, N> &fields, const std::array<std::string, N> &texts) {
    for (std::size_t i = 0; i < N; ++i)
        fields[i]->setText(QString::fromStdString(texts[i]));
}

} // namespace zephyra
