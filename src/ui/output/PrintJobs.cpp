#include "ui/output/PrintJobs.h"

#include "pricing/calc_run.h"
#include "pricing/engine.h"
#include "print/PdfWriter.h"
#include "tools/messages.h"
#include "ui/output/ExportFile.h"
#include "ui/widgets/ResultGrid.h"

#include <QAbstractScrollArea>
#include <QFileDialog>
#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QShortcut>
#include <algorithm>
#include <climits>

namespace fapkalk {

namespace {

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// Asks before a job of more than kAskAbovePages pages; true to go on.
bool MayProduce(QWidget* parent, std::uint64_t pages, const char* what) {
    if (pages <= kAskAbovePages)
        return true;
    return tools::AskConfirmation(parent,
                                  QStringLiteral("Die Tabelle ergibt %1 Seiten. Wirklich alle %2?")
                                      .arg(pages)
                                      .arg(QString::fromUtf8(what))) == tools::MessageAnswer::Yes;
}

// Progress of a job over pages, with Abbruch; shown only when it lasts.
class JobProgress {
public:
    JobProgress(QWidget* parent, const QString& label, std::uint64_t pages)
        : dialog_(label, QStringLiteral("Abbruch"), 0,
                  static_cast<int>(std::min<std::uint64_t>(pages, INT_MAX)), parent) {
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(400);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
    }
    PageProgress callback() {
        return [this](std::uint64_t done, std::uint64_t) {
            dialog_.setValue(static_cast<int>(std::min<std::uint64_t>(done, INT_MAX)));
            return !dialog_.wasCanceled();
        };
    }

private:
    QProgressDialog dialog_;
};

void ReportFailedFile(QWidget* parent, const std::string& path, const std::string& error) {
    tools::ShowError(parent, QStringLiteral("Datei \"%1\" konnte nicht geschrieben werden! (%2)")
                                 .arg(Text(path), Text(error)));
}

QString AskPdfName(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Als PDF speichern"), QString(),
                                        QStringLiteral("PDF-Dateien (*.pdf)"));
}

} // namespace

TablePrintJob TablePrintJobOf(const ResultTable& table, const std::string& created) {
    const TableCriteria& c = table.criteria;
    TablePrintJob job;
    job.criteria = PrintCriteriaLines({.created = created,
                                       .von = c.von,
                                       .bis = c.bis,
                                       .staffel = c.staffel,
                                       .options = c.options,
                                       .vatFactor = c.vatFactor},
                                      false);
    job.created = created;
    job.note = table.rows->endText();
    job.rowCount = table.rows->isBlank() ? 0 : static_cast<std::uint64_t>(table.rows->rowCount());
    job.row = [rows = table.rows](std::uint64_t row) {
        return rows->cellsOf(static_cast<int>(row));
    };
    return job;
}

SheetPrintJob SheetPrintJobOf(const SingleCalculation& s, const std::string& created) {
    SheetPrintJob job;
    job.criteria = PrintCriteriaLines(
        {.created = created, .von = s.typed, .options = s.options, .vatFactor = s.vatFactor}, true);
    job.created = created;
    const PriceResult result = CalcPrices(s.price, s.options, s.vatFactor);
    job.prices = {FapLabelText(s.price, s.options), FormatPrice(result.aep), FormatPrice(result.kp),
                  FormatPrice(result.avp)};
    job.path = ExplainPrices(s.price, s.options, s.vatFactor);
    return job;
}

bool IsPreview(QPrinter& printer) {
    // Qt's preview records the pages as pictures; paper and files have
    // engines of their own.
    return printer.paintEngine() != nullptr &&
           printer.paintEngine()->type() == QPaintEngine::Picture;
}

bool PrintTableOn(QWidget* parent, QPrinter& printer, const TablePrintJob& job) {
    const TablePages pages(job, printer);
    std::uint64_t first = 0;
    std::uint64_t last = pages.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min<std::uint64_t>(static_cast<std::uint64_t>(printer.fromPage()) - 1, last);
        if (printer.toPage() > 0)
            last = std::clamp<std::uint64_t>(static_cast<std::uint64_t>(printer.toPage()) - 1,
                                             first, last);
    }
    const bool preview = IsPreview(printer);
    if (preview)
        last = std::min(last, first + kPreviewPages - 1);
    else if (!MayProduce(parent, last - first + 1, "drucken"))
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    if (preview)
        return PaintTablePages(painter, printer, pages, first, last);
    JobProgress progress(parent, QStringLiteral("Seiten werden gedruckt…"), last - first + 1);
    if (PaintTablePages(painter, printer, pages, first, last, progress.callback()))
        return true;
    printer.abort();
    return false;
}

namespace {

template <class Paint> void Preview(QWidget* parent, const QString& title, Paint&& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

} // namespace

void PrintTable(QWidget* parent, const TablePrintJob& job) {
    QString title = QStringLiteral("Seitenansicht");
    QPrinter measure(QPrinter::HighResolution);
    measure.setPageSize(QPageSize(QPageSize::A4));
    const std::uint64_t pages = TablePages(job, measure).pageCount();
    if (pages > kPreviewPages)
        title += QStringLiteral(" – die ersten %1 von %2 Seiten; Drucken druckt alle")
                     .arg(kPreviewPages)
                     .arg(pages);
    Preview(parent, title,
            [parent, &job](QPrinter* printer) { PrintTableOn(parent, *printer, job); });
}

void PrintSheet(QWidget* parent, const SheetPrintJob& job) {
    Preview(parent, QStringLiteral("Seitenansicht"), [&job](QPrinter* printer) {
        QPainter painter(printer);
        PaintSheet(painter, *printer, job);
    });
}

bool SaveTablePdfTo(QWidget* parent, const TablePrintJob& job, const std::string& path) {
    const std::uint64_t pages = TablePdfPageCount(job);
    if (!MayProduce(parent, pages, "als PDF speichern"))
        return false;
    JobProgress progress(parent, QStringLiteral("PDF wird geschrieben…"), pages);
    const PdfOutcome outcome = WriteTablePdf(path, job, progress.callback());
    if (!outcome.written && !outcome.stopped)
        ReportFailedFile(parent, path, outcome.error);
    return outcome.written;
}

bool SaveSheetPdfTo(QWidget* parent, const SheetPrintJob& job, const std::string& path) {
    const PdfOutcome outcome = WriteSheetPdf(path, job);
    if (!outcome.written)
        ReportFailedFile(parent, path, outcome.error);
    return outcome.written;
}

void SaveTablePdf(QWidget* parent, const TablePrintJob& job) {
    const QString path = AskPdfName(parent);
    if (!path.isEmpty())
        SaveTablePdfTo(parent, job, path.toStdString());
}

void SaveSheetPdf(QWidget* parent, const SheetPrintJob& job) {
    const QString path = AskPdfName(parent);
    if (!path.isEmpty())
        SaveSheetPdfTo(parent, job, path.toStdString());
}

void AddTablePrintEntries(QMenu* menu, QWidget* view, std::function<ResultTable()> table) {
    QAction* print = menu->addAction(QStringLiteral("&Drucken…"));
    print->setObjectName(QStringLiteral("miDrucken"));
    print->setShortcut(QKeySequence::Print);
    QAction* pdf = menu->addAction(QStringLiteral("Als &PDF speichern…"));
    pdf->setObjectName(QStringLiteral("miPdf"));
    QObject::connect(print, &QAction::triggered, view, [view, table] {
        PrintTable(view->window(), TablePrintJobOf(table(), ExportCreatedText()));
    });
    QObject::connect(pdf, &QAction::triggered, view, [view, table] {
        SaveTablePdf(view->window(), TablePrintJobOf(table(), ExportCreatedText()));
    });
    auto* key = new QShortcut(QKeySequence::Print, view);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, print, &QAction::trigger);
}

QMenu* AttachTablePrintMenu(QAbstractScrollArea* view, std::function<ResultTable()> table) {
    auto* menu = new QMenu(view);
    AddTablePrintEntries(menu, view, std::move(table));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, menu,
                     [menu, view](QPoint at) { menu->popup(view->viewport()->mapToGlobal(at)); });
    return menu;
}

void AddSheetPrintEntries(QMenu* menu, QWidget* panel,
                          std::function<std::optional<SingleCalculation>()> calculation) {
    menu->addSeparator();
    QAction* print = menu->addAction(QStringLiteral("&Berechnung drucken…"));
    print->setObjectName(QStringLiteral("miBerechnungDrucken"));
    print->setShortcut(QKeySequence::Print);
    QAction* pdf = menu->addAction(QStringLiteral("Berechnung als P&DF speichern…"));
    pdf->setObjectName(QStringLiteral("miBerechnungPdf"));
    const auto run = [panel, calculation](auto&& act) {
        const std::optional<SingleCalculation> shown = calculation();
        if (!shown) {
            tools::ShowMessage(panel->window(),
                               QStringLiteral("Es ist noch keine Berechnung zu drucken."));
            return;
        }
        act(panel->window(), SheetPrintJobOf(*shown, ExportCreatedText()));
    };
    QObject::connect(print, &QAction::triggered, panel, [run] {
        run([](QWidget* parent, const SheetPrintJob& job) { PrintSheet(parent, job); });
    });
    QObject::connect(pdf, &QAction::triggered, panel, [run] {
        run([](QWidget* parent, const SheetPrintJob& job) { SaveSheetPdf(parent, job); });
    });
    // The panel is shown in single mode only, and a hidden widget's key does
    // not fire: Ctrl+P prints the calculation in single mode.
    auto* key = new QShortcut(QKeySequence::Print, panel);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, print, &QAction::trigger);
}

} // namespace fapkalk
