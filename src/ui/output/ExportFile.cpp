#include "ui/output/ExportFile.h"

#include "pricing/creation_time.h"
#include "tools/date_text.h"
#include "ui/main/ResultGrid.h"

#include <QDir>
#include <QFile>
#include <new>
#include <utility>

namespace fapkalk {

namespace {

// Lines are collected up to this size and then handed to the writer, which
// passes a chunk this large straight to the file.
constexpr std::size_t kChunkBytes = 256 * 1024;

} // namespace

ExportResult WriteExportFile(const std::string& path, const RowStore& rows, ExportLayout layout,
                             const ExportCriteria* header, SafeFileWriter::WriteFunction write) {
    ExportResult result;
    // The system would stop reading the name at a NUL and write another file.
    if (path.find('\0') != std::string::npos) {
        result.error = "Dateiname enthält ein NUL-Zeichen";
        return result;
    }
    SafeFileWriter writer(path, std::move(write));
    try {
        if (!writer.Open()) {
            result.error = writer.error();
            return result;
        }
        std::string chunk = ExportFileHead(header);
        chunk.reserve(kChunkBytes + 256);
        ExportLineBuilder builder(layout);
        const int count = rows.rowCount();
        for (int row = 0; row < count; ++row) {
            const ExportRow cells{rows.cellText(row, 0), rows.cellText(row, 1),
                                  rows.cellText(row, 2), rows.cellText(row, 3)};
            builder.AppendRow(chunk, cells);
            if (chunk.size() >= kChunkBytes) {
                if (!writer.Append(chunk)) {
                    result.error = writer.error();
                    return result;
                }
                chunk.clear();
            }
        }
        if (!writer.Append(chunk) || !writer.Commit()) {
            result.error = writer.error();
            return result;
        }
        result.ok = true;
        result.rows = count;
    } catch (const std::bad_alloc&) {
        // The writer's destructor drops the temporary file; the target stays.
        result.error = "Nicht genügend Arbeitsspeicher";
    }
    return result;
}

std::string ExportPath(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

std::string ExportCreatedText() {
    std::string error;
    const std::time_t moment = CreationTime(error).value_or(std::time(nullptr));
    QDateTime local = QDateTime::fromSecsSinceEpoch(moment);
    if (!local.isValid())
        local = QDateTime::currentDateTime();
    return tools::CreatedDateTimeText(local);
}

QString ExportCountText(int rows, const QString& fileName) {
    return QStringLiteral("Es wurden ") + QString::number(rows) +
           QStringLiteral(" Sätze in die Datei ") + fileName + QStringLiteral(" übertragen!");
}

QString ExportFailureText(const QString& fileName) {
    return QStringLiteral("Datei \"") + fileName +
           QStringLiteral("\" konnte nicht geschrieben werden!");
}

QString DefaultExportFileNameFor(bool driveLetters, const QString& homePath) {
    if (driveLetters)
        return QStringLiteral("C:\\FAP_PREIS.CSV");
    // QDir joins without doubling the separator when the home folder is "/".
    return QDir::toNativeSeparators(QDir(homePath).filePath(QStringLiteral("FAP_PREIS.CSV")));
}

QString DefaultExportFileName() {
#ifdef Q_OS_WIN
    constexpr bool driveLetters = true;
#else
    constexpr bool driveLetters = false;
#endif
    return DefaultExportFileNameFor(driveLetters, QDir::homePath());
}

} // namespace fapkalk
