#include "profile/report_pdf_endpoint.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

namespace zephyra {

namespace {

QString Html(const std::string &text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

// A font with Hangul, so the PDF embeds it instead of leaving boxes. NanumGothic first would lose the
// blanks for text extraction (pdftotext reads "AC고전압"); NanumBarunGothic keeps them.
QFont ReportFont() {
    const QStringList families = QFontDatabase::families();
    for (const char *name : {"NanumBarunGothic", "NanumGothic", "Noto Sans CJK KR"})
        if (families.contains(QString::fromLatin1(name))) {
            QFont font(QString::fromLatin1(name));
            font.setPointSizeF(9);
            return font;
        }
    QFont font;
    font.setPointSizeF(9);
    return font;
}

QString ReportHtml(const CommissioningReport &report) {
    QString html = "<html><body>";
    html += "<h2>" + Html(report.Title) + "</h2>";
    for (const ReportTable &table : report.Tables) {
        html += "<h3>" + Html(table.Heading) + "</h3>";
        if (!table.Rows.empty()) {
            html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">";
            if (!table.Header.empty()) {
                html += "<tr>";
                for (const std::string &h : table.Header)
                    html += "<th bgcolor=\"#dde6f0\" style=\"font-size: 7pt\">" + Html(h) + "</th>";
                html += "</tr>";
            }
            for (const auto &row : table.Rows) {
                html += "<tr>";
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const bool label = table.Header.empty() && i == 0;
                    // Log rows: dates and times kept whole, in a smaller type.
                    const char *open = label ? "<td width=\"35%\" bgcolor=\"#f2f2f2\">"
                                       : table.Header.empty()
                                           ? "<td>"
                                           : "<td style=\"white-space: nowrap; font-size: 7pt\">";
                    html += QString(open) + Html(row[i]) + "</td>";
                }
                html += "</tr>";
            }
            html += "</table>";
        }
        if (!table.Note.empty())
            html += "<p>" + Html(table.Note) + "</p>";
    }
    html += "<p>&nbsp;</p>";
    for (const std::string &line : report.SignatureLines)
        html += "<p>" + Html(line) + "</p>";
    return html + "</body></html>";
}

} // namespace

QString WriteReportPdf(const CommissioningReport &report, const QString &path) {
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.close();
    {
        // The file is complete once the writer is gone.
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(QString::fromStdString(report.Title));
        writer.setCreator(QStringLiteral("zephyra-console"));
        QTextDocument doc;
        doc.setDefaultFont(ReportFont());
        doc.setHtml(ReportHtml(report));
        doc.print(&writer);
    }
    if (QFile(path).size() == 0)
        return QCoreApplication::translate("ProfileWindow", "PDF를 쓰지 못했습니다");
    return {};
}

} // namespace zephyra
