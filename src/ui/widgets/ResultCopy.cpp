#include "ui/widgets/ResultCopy.h"

#include "pricing/export_lines.h"
#include "pricing/numbers.h"
#include "ui/widgets/GridCopy.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>

namespace fapkalk {

namespace {

std::string Shown(ShownPrice price) {
    char text[kShownTextSize];
    WriteShownText(text, price);
    const std::string_view view(text, sizeof text);
    return std::string(view.substr(view.find_first_not_of(' ')));
}

class ResultCopyKey : public QObject {
public:
    ResultCopyKey(QWidget* field, std::function<bool()> copy)
        : QObject(field), field_(field), copy_(std::move(copy)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != field_ || event->type() != QEvent::KeyPress ||
            !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        // Selected text is copied as text.
        if (const auto* edit = qobject_cast<const QLineEdit*>(field_);
            edit && edit->hasSelectedText())
            return false;
        return copy_();
    }

private:
    QWidget* field_;
    std::function<bool()> copy_;
};

} // namespace

std::string PricesTextLine(const RowCells& cells) {
    std::string line;
    if (!cells.fapPlaceholder)
        line = "FAP " + Shown(cells.fap) + " · ";
    return line + "AEP " + Shown(cells.aep) + " · KP " + Shown(cells.kp) + " · AVP " +
           Shown(cells.avp);
}

std::string PricesSpreadsheetRow(const RowCells& cells) {
    char line[kMaxRowLineSize];
    return std::string(line, WriteSpreadsheetRow(line, cells));
}

QMimeData* PricesMimeData(const RowCells& cells) {
    const std::string row = PricesSpreadsheetRow(cells);
    QString html = QStringLiteral("<table><tr>");
    for (const QString& cell : QString::fromLatin1(row).trimmed().split(u'\t'))
        html += QStringLiteral("<td>") + cell.toHtmlEscaped() + QStringLiteral("</td>");
    html += QStringLiteral("</tr></table>");
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(PricesTextLine(cells)));
    data->setHtml(html);
    data->setData(QString::fromLatin1(kTsvMimeType), QByteArray::fromStdString(row));
    return data;
}

bool CopyPrices(const RowCells& cells) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    clipboard->setMimeData(PricesMimeData(cells));
    return true;
}

void InstallResultCopyKey(QWidget* field, std::function<bool()> copy) {
    field->installEventFilter(new ResultCopyKey(field, std::move(copy)));
}

} // namespace fapkalk
