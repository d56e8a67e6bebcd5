// Lays the commissioning report out as a PDF with an embedded Korean font.
#pragma once

#include <QString>

#include "profile/commissioning_report.h"

namespace zephyra {

// Writes the file whole or not at all, replacing one that is there only when `replace`. Empty on success,
// else why the file could not be written. Needs a QGuiApplication (any platform, offscreen included).
QString WriteReportPdf(const CommissioningReport &report, const QString &path, bool replace,
                       const TextTranslator &tr);

} // namespace zephyra
