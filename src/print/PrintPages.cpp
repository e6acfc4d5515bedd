#include "print/PrintPages.h"

#include "pricing/calc_run.h"
#include "pricing/text_rules.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace fapkalk {

namespace {

constexpr double kTitleSize = 14;
constexpr double kTextSize = 10;
constexpr double kPriceSize = 16;
constexpr double kPadding = 0.12; // of a column's width, right of its amounts
constexpr std::array<const char*, 4> kHeadings = {"FAP", "AEP", "KP", "AVP"};
constexpr std::array<const char*, 4> kSheetCaptions = {
    "Fabriksabgabepreis (FAP)", "Apotheken-Einkaufspreis (AEP)", "Kassenpreis (KP)",
    "Apotheken-Verkaufspreis (AVP)"};

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// How many whole rows of height row fit in space; at least one, so that a
// page too small for its fonts still makes progress.
std::uint64_t RowsIn(double space, double row) {
    const double n = std::floor(space / row);
    return n >= 1 && n < 1e9 ? static_cast<std::uint64_t>(n) : 1;
}

// Draws text ending at x on the baseline y.
void DrawRightAligned(QPainter& painter, const QFontMetricsF& metrics, double x, double y,
                      const QString& text) {
    painter.drawText(QPointF(x - metrics.horizontalAdvance(text), y), text);
}

// The rule and the two texts at the foot of every page.
void PaintFooter(QPainter& painter, const QFont& font, double width, double height,
                 const std::string& created, std::uint64_t page, std::uint64_t pages) {
    const QFontMetricsF metrics(font, painter.device());
    const double baseline = height - metrics.descent();
    const double rule = baseline - metrics.ascent() - metrics.lineSpacing() * 0.4;
    painter.setFont(font);
    painter.drawLine(QPointF(0, rule), QPointF(width, rule));
    painter.drawText(QPointF(0, baseline), Text("Erstellt: " + created));
    DrawRightAligned(painter, metrics, width, baseline, Text(PageNumberText(page, pages)));
}

double FooterHeight(const QFontMetricsF& metrics) {
    return metrics.lineSpacing() * 2.4;
}

// Title and criteria lines from top; returns where the next line goes.
double PaintHead(QPainter& painter, const QFont& title, const QFont& text, std::string_view heading,
                 const std::vector<std::string>& criteria, const std::string& note) {
    const QFontMetricsF titleMetrics(title, painter.device());
    const QFontMetricsF metrics(text, painter.device());
    painter.setFont(title);
    double y = titleMetrics.ascent();
    painter.drawText(QPointF(0, y), Text(heading));
    y += titleMetrics.descent() + metrics.lineSpacing() * 0.5;
    painter.setFont(text);
    for (const std::string& line : criteria) {
        y += metrics.lineSpacing();
        painter.drawText(QPointF(0, y - metrics.descent()), Text(line));
    }
    if (!note.empty()) {
        y += metrics.lineSpacing();
        painter.drawText(QPointF(0, y - metrics.descent()), Text(note));
    }
    return y + metrics.lineSpacing();
}

double HeadHeight(const QFontMetricsF& title, const QFontMetricsF& text, std::size_t lines) {
    return title.ascent() + title.descent() + text.lineSpacing() * 0.5 +
           text.lineSpacing() * static_cast<double>(lines + 1);
}

} // namespace

QFont PrintFont(double pointSize, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QString CellTextOf(const RowCells& cells, int column) {
    if (column == 0 && cells.fapPlaceholder)
        return Text(TrimLowCodes(kAepPlaceholderCell));
    const ShownPrice amount = column == 0   ? cells.fap
                              : column == 1 ? cells.aep
                              : column == 2 ? cells.kp
                                            : cells.avp;
    char text[kShownTextSize];
    WriteShownText(text, amount);
    return Text(TrimLowCodes(std::string_view(text, sizeof text)));
}

TablePages::TablePages(const TablePrintJob& job, QPaintDevice& device)
    : job_(job), title_(PrintFont(kTitleSize, true)), text_(PrintFont(kTextSize)),
      bold_(PrintFont(kTextSize, true)), width_(device.width()), height_(device.height()) {
    const QFontMetricsF metrics(text_, &device);
    line_ = metrics.lineSpacing();
    rowHeight_ = line_;
    headTop_ = HeadHeight(QFontMetricsF(title_, &device), metrics,
                          job.criteria.size() + (job.note.empty() ? 0 : 1));
    footer_ = FooterHeight(metrics);
    const double headings = rowHeight_ * 1.5;
    const double body = height_ - headings - footer_;
    split_ = {RowsIn(body - headTop_, rowHeight_), RowsIn(body, rowHeight_)};
}

void TablePages::paintPage(QPainter& painter, std::uint64_t page) const {
    const std::uint64_t pages = pageCount();
    double y = 0;
    if (page == 0)
        y = PaintHead(painter, title_, text_, kTablePrintTitle, job_.criteria, job_.note);
    const double column = width_ / 4;
    const double padding = column * kPadding;
    const QFontMetricsF boldMetrics(bold_, painter.device());
    const QFontMetricsF metrics(text_, painter.device());
    painter.setFont(bold_);
    y += rowHeight_;
    for (int c = 0; c < 4; ++c)
        DrawRightAligned(painter, boldMetrics, column * (c + 1) - padding, y - metrics.descent(),
                         QString::fromLatin1(kHeadings[static_cast<std::size_t>(c)]));
    y += rowHeight_ * 0.25;
    painter.drawLine(QPointF(0, y), QPointF(width_, y));
    y += rowHeight_ * 0.25;

    // A column of a page is one text of lines: laid out once, not once a
    // cell, which makes a long table several times faster to print.
    painter.setFont(text_);
    const PageRows rows = RowsOfPage(job_.rowCount, split_, page);
    std::array<QString, 4> columns;
    for (std::uint64_t i = 0; i < rows.count; ++i) {
        const RowCells cells = job_.row(rows.first + i);
        for (int c = 0; c < 4; ++c) {
            QString& text = columns[static_cast<std::size_t>(c)];
            if (i != 0)
                text += u'\n';
            text += CellTextOf(cells, c);
        }
    }
    const double height = rowHeight_ * static_cast<double>(rows.count);
    for (int c = 0; c < 4; ++c)
        painter.drawText(QRectF(column * c, y, column - padding, height),
                         Qt::AlignRight | Qt::AlignTop, columns[static_cast<std::size_t>(c)]);
    PaintFooter(painter, text_, width_, height_, job_.created, page + 1, pages);
}

bool PaintTablePages(QPainter& painter, QPagedPaintDevice& device, const TablePages& pages,
                     std::uint64_t first, std::uint64_t last, const PageProgress& progress) {
    for (std::uint64_t page = first; page <= last; ++page) {
        if (progress && !progress(page - first, last - first + 1))
            return false;
        if (page != first)
            device.newPage();
        pages.paintPage(painter, page);
    }
    return !progress || progress(last - first + 1, last - first + 1);
}

void PaintSheet(QPainter& painter, QPaintDevice& device, const SheetPrintJob& job) {
    const QFont title = PrintFont(kTitleSize, true);
    const QFont text = PrintFont(kTextSize);
    const QFont bold = PrintFont(kTextSize, true);
    const QFont price = PrintFont(kPriceSize, true);
    const double width = device.width();
    double y = PaintHead(painter, title, text, kSheetPrintTitle, job.criteria, {});

    const QFontMetricsF priceMetrics(price, &device);
    const QFontMetricsF captionMetrics(text, &device);
    for (std::size_t i = 0; i < 4; ++i) {
        y += priceMetrics.lineSpacing() * 1.2;
        const double baseline = y - priceMetrics.descent();
        painter.setFont(text);
        painter.drawText(QPointF(0, baseline), QString::fromUtf8(kSheetCaptions[i]));
        painter.setFont(price);
        DrawRightAligned(painter, priceMetrics, width * 0.75, baseline,
                         Text(TrimLowCodes(job.prices[i])));
    }

    const QFontMetricsF metrics(text, &device);
    y += metrics.lineSpacing() * 1.5;
    painter.setFont(bold);
    painter.drawText(QPointF(0, y - metrics.descent()), QStringLiteral("Berechnungsweg"));
    y += metrics.lineSpacing() * 0.4;
    painter.setFont(text);
    const double bottom = device.height() - FooterHeight(metrics);
    for (const QString& line : Text(job.path).split(u'\n', Qt::SkipEmptyParts)) {
        // A long line wraps rather than running off the page.
        const QRectF room(0, y, width, bottom - y);
        const QRectF used = metrics.boundingRect(room, Qt::TextWordWrap, line);
        painter.drawText(room, Qt::TextWordWrap, line);
        y += used.height();
    }
    PaintFooter(painter, text, width, device.height(), job.created, 1, 1);
}

} // namespace fapkalk
