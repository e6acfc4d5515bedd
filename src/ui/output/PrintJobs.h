// Printing and saving pages from the windows: the print preview and the
// print dialog, the PDF file, the question before a long job and the
// progress with Abbruch. The pages themselves are PrintPages'.
#pragma once

#include "print/PrintPages.h"
#include "ui/widgets/ResultTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QAbstractScrollArea;
class QMenu;
class QPrinter;
class QWidget;

namespace fapkalk {

// More pages than this are printed or saved only after a question.
inline constexpr std::uint64_t kAskAbovePages = 100;
// The preview shows at most this many pages: Qt's preview draws every page
// it shows at once, and a table of ten million rows has 190,000.
inline constexpr std::uint64_t kPreviewPages = 50;

// The pages of the table a window shows, its criteria as the export records them.
TablePrintJob TablePrintJobOf(const ResultTable& table, const std::string& created);

// The sheet of the single calculation on screen.
SheetPrintJob SheetPrintJobOf(const SingleCalculation& calculation, const std::string& created);

// True while printer draws for Qt's preview rather than on paper.
bool IsPreview(QPrinter& printer);

// Draws the table on printer: the pages the printer's range asks for (all
// by default), at most kPreviewPages in a preview. Asks first when more than
// kAskAbovePages are to be printed; shows progress with Abbruch. False when
// the question or Abbruch stopped it (a started print job is aborted).
bool PrintTableOn(QWidget* parent, QPrinter& printer, const TablePrintJob& job);

// The preview with its print button, then the print dialog.
void PrintTable(QWidget* parent, const TablePrintJob& job);
void PrintSheet(QWidget* parent, const SheetPrintJob& job);

// Asks for the file name, then SaveTablePdfTo / SaveSheetPdfTo.
void SaveTablePdf(QWidget* parent, const TablePrintJob& job);
void SaveSheetPdf(QWidget* parent, const SheetPrintJob& job);
// The file written through the safe file writer, asking first for a long
// table and showing progress; a failure is reported, Abbruch leaves no file.
// True when the file was written.
bool SaveTablePdfTo(QWidget* parent, const TablePrintJob& job, const std::string& path);
bool SaveSheetPdfTo(QWidget* parent, const SheetPrintJob& job, const std::string& path);

// "&Drucken…" and "Als &PDF speichern…" for the table view: added to menu,
// and Ctrl+P while the view has the focus. table gives the rows at that moment.
void AddTablePrintEntries(QMenu* menu, QWidget* view, std::function<ResultTable()> table);
// A context menu for the table view with these two entries.
QMenu* AttachTablePrintMenu(QAbstractScrollArea* view, std::function<ResultTable()> table);
// "&Berechnung drucken…" and "Berechnung als P&DF speichern…" in menu; Ctrl+P
// in window while the panel is shown. Nothing to print without a calculation.
void AddSheetPrintEntries(QMenu* menu, QWidget* panel,
                          std::function<std::optional<SingleCalculation>()> calculation);

} // namespace fapkalk
