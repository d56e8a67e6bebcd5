// Assistive tools (and scripted use) find every control by its name: Qt does not expose objectName, so
// each named widget gets it as its accessible description, where it has none. What a screen reader
// says does not change.
#pragma once

#include <QWidget>

namespace zephyra {

// root and every widget below it.
inline void DescribeByObjectName(QWidget *root) {
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : std::as_const(widgets))
        if (!w->objectName().isEmpty() && w->accessibleDescription().isEmpty())
            w->setAccessibleDescription(w->objectName());
}

} // namespace zephyra
