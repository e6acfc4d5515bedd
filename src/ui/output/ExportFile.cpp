#include "ui/output/ExportFile.h"

#include "platform/creation_time.h"
#include "pricing/message_text.h"
#include "tools/date_text.h"
#include "ui/widgets/ResultGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <new>
#include <utility>

namespace fapkalk {

namespace {

// Lines are collected up to this size and then handed to the writer, which
// passes a chunk this large straight to the file.
constexpr std::size_t kChunkBytes = 256 * 1024;

// Typed text in a message, escaped by the program's one rule.
QString Shown(const QString& text) {
    return QString::fromStdString(EscapedForMessage(text.toStdString()));
}

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
        // Lines are collected in one buffer and handed to the writer a chunk
        // at a time.
        result.endText = rows.endText();
        const std::string lastPrice =
            rows.isBlank() ? std::string() : AmountText(rows.centsOf(rows.rowCount() - 1));
        ExportCriteria criteria;
        if (header) {
            criteria = *header;
            if (!result.endText.empty())
                criteria.bis = lastPrice;
        }
        std::string buffer = ExportFileHead(header ? &criteria : nullptr);
        std::size_t used = buffer.size();
        buffer.resize(std::max(used, kChunkBytes) + kMaxRowLineSize);
        bool written = true;
        if (rows.isBlank()) {
            // The one empty row of a grid before any run: four empty cells.
            std::string line;
            ExportLineBuilder(layout).AppendRow(line, ExportRow{});
            buffer.replace(used, line.size(), line);
            used += line.size();
        } else {
            // Lines written from the rows' numbers, as fapkalk-cli writes them.
            written = rows.forEachRow(0, rows.rowCount() - 1, [&](const RowCells& cells) {
                used =
                    std::size_t(WriteRowLine(buffer.data() + used, layout, cells) - buffer.data());
                if (used < kChunkBytes)
                    return true;
                const bool appended = writer.Append(std::string_view(buffer.data(), used));
                used = 0;
                return appended;
            });
        }
        if (!written || !writer.Append(std::string_view(buffer.data(), used)) || !writer.Commit()) {
            result.error = writer.error();
            return result;
        }
        result.ok = true;
        result.rows = rows.rowCount();
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
    const std::string text = tools::CreatedTextAt(CreationTime(error).value_or(std::time(nullptr)));
    return text.empty() ? tools::CreatedDateTimeText(QDateTime::currentDateTime()) : text;
}

QString ExportCountText(int rows, const QString& fileName, const std::string& endText) {
    QString text = QStringLiteral("Es wurden ") + QString::number(rows) +
                   QStringLiteral(" Sätze in die Datei ") + Shown(fileName) +
                   QStringLiteral(" übertragen!");
    if (!endText.empty())
        text += QLatin1Char(' ') + QString::fromStdString(endText);
    return text;
}

QString ExportNoRowsText() {
    return QStringLiteral("Es gibt keine berechneten Zeilen zum Exportieren.");
}

QString ExportFailureText(const QString& fileName, const std::string& reason) {
    QString text = QStringLiteral("Datei \"") + Shown(fileName) +
                   QStringLiteral("\" konnte nicht geschrieben werden!");
    if (!reason.empty())
        text += QStringLiteral(" (") + Shown(QString::fromStdString(reason)) + u')';
    return text;
}

QString ExportTargetPath(const QString& fileName) {
    if (fileName.isEmpty())
        return {};
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(fileName));
}

QString ExportBrowseFolder(const QString& fileName) {
    const QFileInfo file(QDir::current(), fileName);
    if (!fileName.isEmpty() && file.absoluteDir().exists())
        return file.absolutePath();
    return QDir::currentPath();
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
