// The export without a window: writes the rows of a result table to a file in
// one of the two layouts, optionally headed by the criteria block, and the
// texts the export dialog shows around it. The dialog gathers its inputs and
// calls these; the tests and the benchmark call them directly.
#pragma once

#include "platform/file_writer.h"
#include "pricing/export_lines.h"

#include <QString>
#include <string>

namespace fapkalk {

class RowStore;

struct ExportResult {
    bool ok = false;
    int rows = 0;        // data lines written (every row of the table)
    std::string endText; // where a table that ends before Bis ends (TableEndText)
    std::string error;   // after a failure: what went wrong, for diagnostics
};

// Writes the column header line, preceded by the header block when header is
// given, and one data line per row of rows (row 0 first), in file form. A
// table that ends before Bis (Abbruch, the row limit, an error) claims no
// more: the header's "bis:" names its last price. The
// bytes are streamed through the safe writer in chunks, so the file is never
// held in memory twice; an existing file is replaced only when everything has
// been written, and stays as it was after any failure. write replaces the
// system's write(2) (tests inject failures through it).
ExportResult WriteExportFile(const std::string& path, const RowStore& rows, ExportLayout layout,
                             const ExportCriteria* header,
                             SafeFileWriter::WriteFunction write = {});

// The file name as typed, in the bytes the file system takes; untrimmed. A
// name without a folder refers to the current working directory.
std::string ExportPath(const QString& fileName);

// Header line 2's date and time for an export made now, as fapkalk-cli
// --header writes it: the user's short date with a four-digit year and long
// time (tools/date_text.h). SOURCE_DATE_EPOCH, when set, stands for now, as in
// the tool; a value that is no count of seconds is ignored here.
std::string ExportCreatedText();

// "Es wurden <n> Sätze in die Datei <name> übertragen!"; the name as typed,
// with control and invisible characters escaped (EscapedForMessage); then
// where a table that ends before Bis ends.
QString ExportCountText(int rows, const QString& fileName, const std::string& endText = {});
// A table without computed rows is not exported.
QString ExportNoRowsText();
// Datei "<name>" konnte nicht geschrieben werden! (<reason>), escaped alike;
// without a reason only the first part.
QString ExportFailureText(const QString& fileName, const std::string& reason = {});

// The whole path the file name stands for, as the field's tool tip shows it:
// a name without a folder is taken in the current working directory. Empty
// for an empty name.
QString ExportTargetPath(const QString& fileName);
// Where the file dialog opens: the folder of the file name when it exists,
// otherwise the current working directory.
QString ExportBrowseFolder(const QString& fileName);

// The file name the dialog starts with: "C:\FAP_PREIS.CSV" where paths have
// drive letters, otherwise FAP_PREIS.CSV in the user's home folder.
QString DefaultExportFileName();
QString DefaultExportFileNameFor(bool driveLetters, const QString& homePath);

} // namespace fapkalk
