#include "profile/report_pdf_endpoint.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "history/history_export.h"

namespace zephyra {

namespace {

QString Html(const std::string &text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

// A font with Hangul, so the PDF embeds it instead of leaving boxes. NanumGothic first would lose the
// blanks for text extraction (pdftotext reads "AC고전압"); NanumBarunGothic keeps them.
QFont ReportFont() {
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const char *name : {"NanumBarunGothic", "NanumGothic", "Noto Sans CJK KR"})
        if (families.contains(QString::fromLatin1(name))) {
            font = QFont(QString::fromLatin1(name));
            break;
        }
    font.setPointSizeF(9);
    // A blank a little wider than the font's own: text extraction read "3 A" as "3A".
    font.setWordSpacing(8);
    return font;
}

QString ReportHtml(const CommissioningReport &report) {
    QString html = "<html><body>";
    html += "<h2>" + Html(report.Title) + "</h2>";
    for (const ReportTable &table : report.Tables) {
        html += "<h3>" + Html(table.Heading) + "</h3>";
        if (!table.Note.empty())
            html += "<p>" + Html(table.Note) + "</p>";
        if (table.Rows.empty())
            continue;
        html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><thead><tr>";
        for (const std::string &h : table.Header)
            html += QString("<th bgcolor=\"#dde6f0\"%1>").arg(table.Log ? " style=\"font-size: 7pt\"" : "") +
                    Html(h) + "</th>";
        html += "</tr></thead>";
        for (const auto &row : table.Rows) {
            html += "<tr>";
            for (std::size_t i = 0; i < row.size(); ++i) {
                // Log rows: dates and times kept whole, in a smaller type.
                const char *open = table.Log ? "<td style=\"white-space: nowrap; font-size: 7pt\">"
                                   : i == 0  ? "<td width=\"35%\" bgcolor=\"#f2f2f2\">"
                                             : "<td>";
                html += QString(open) + Html(row[i]) + "</td>";
            }
            html += "</tr>";
        }
        html += "</table>";
    }
    html += "<p>&nbsp;</p>";
    for (const std::string &line : report.SignatureLines)
        html += "<p>" + Html(line) + "</p>";
    return html + "</body></html>";
}

int PageOf(QTextDocument &doc, const QTextBlock &block) {
    const QRectF r = doc.documentLayout()->blockBoundingRect(block);
    return static_cast<int>(r.top() / doc.pageSize().height());
}

// Every table repeats its header on the pages it runs onto. A table that would be split although it fits
// on a page, or that would leave its heading or a single row at a page's end, starts on the next page.
void KeepTablesTogether(QTextDocument &doc) {
    QList<QTextTable *> tables;
    for (QTextFrame *frame : doc.rootFrame()->childFrames())
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            QTextTableFormat format = table->format();
            format.setHeaderRowCount(1);
            table->setFormat(format);
            tables.append(table);
        }
    const double pageHeight = doc.pageSize().height();
    // One table at a time, each moved after a whole new layout: a layout patched after a moved block left
    // the blocks below it unlaid, and they went unprinted.
    for (QTextTable *table : tables) {
        doc.markContentsDirty(0, doc.characterCount());
        QTextBlock heading = doc.findBlock(table->firstPosition() - 1);
        // The heading, and the note under it when there is one.
        while (heading.previous().isValid() && heading.blockFormat().headingLevel() == 0 &&
               heading.previous().blockFormat().headingLevel() == 3)
            heading = heading.previous();
        if (heading.blockFormat().headingLevel() != 3)
            continue;
        const int first = PageOf(doc, heading);
        int onFirst = 0;
        int last = first;
        for (int row = 1; row < table->rows(); ++row) {
            const int page = PageOf(doc, table->cellAt(row, 0).firstCursorPosition().block());
            onFirst += page == first ? 1 : 0;
            last = page;
        }
        const QRectF top = doc.documentLayout()->blockBoundingRect(heading);
        const QRectF bottom = doc.documentLayout()->frameBoundingRect(table);
        const bool fits = bottom.bottom() - top.top() < pageHeight * 0.9;
        const bool atPageTop = top.top() - first * pageHeight < top.height();
        if (last != first && (fits || onFirst < 2) && !atPageTop) {
            QTextBlockFormat format = heading.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(heading).setBlockFormat(format);
        }
    }
    doc.markContentsDirty(0, doc.characterCount());
}

// The signature lines are signed together: when they would run onto a second page, they all start it.
void KeepSignatureTogether(QTextDocument &doc, std::size_t lines) {
    if (lines == 0)
        return;
    QTextBlock first = doc.lastBlock();
    for (std::size_t i = 1; i < lines && first.previous().isValid(); ++i)
        first = first.previous();
    // A line that does not fit at a page's end is printed on the next one: the last line counts by its end.
    const QRectF end = doc.documentLayout()->blockBoundingRect(doc.lastBlock());
    if (PageOf(doc, first) == static_cast<int>((end.bottom() - 1) / doc.pageSize().height()))
        return;
    QTextBlockFormat format = first.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(first).setBlockFormat(format);
    doc.markContentsDirty(0, doc.characterCount());
}

} // namespace

QString WriteReportPdf(const CommissioningReport &report, const QString &path, bool replace,
                       const TextTranslator &tr) {
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        // The document is complete once the writer is gone.
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(QString::fromStdString(report.Title));
        writer.setCreator(QStringLiteral("zephyra-console"));
        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(&writer);
        doc.setDefaultFont(ReportFont());
        // Laid out on the writer's own pages, so the breaks found here are the printed ones.
        doc.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
        doc.setHtml(ReportHtml(report));
        KeepTablesTogether(doc);
        KeepSignatureTogether(doc, report.SignatureLines.size());
        doc.print(&writer);
    }
    if (pdf.isEmpty())
        return QCoreApplication::translate("ProfileWindow", "PDF를 쓰지 못했습니다");
    const ExportResult written =
        WriteWholeFile(path.toStdString(),
                       std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), replace, tr);
    return QString::fromStdString(written.Error);
}

} // namespace zephyra
