#include "outputtestkit.h"

#include "pricing/numbers.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/widgets/ResultGrid.h"

#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdint>
#include <unistd.h>

namespace testkit {

MessageRecorder::MessageRecorder() {
    previous_ = tools::SetMessageHandler([this](QWidget*, const tools::Message& message) {
        messages_.append(message);
        return message.kind == tools::MessageKind::Confirmation ? tools::MessageAnswer::Yes
                                                                : tools::MessageAnswer::Ok;
    });
}

MessageRecorder::~MessageRecorder() {
    tools::SetMessageHandler(std::move(previous_));
}

QStringList MessageRecorder::texts() const {
    QStringList result;
    for (const tools::Message& message : messages_)
        result << message.text;
    return result;
}

std::unique_ptr<fapkalk::TForm1> MakeMainWindow() {
    auto form = std::make_unique<fapkalk::TForm1>();
    if (!form->RangeMode())
        form->ToggleMode();
    return form;
}

fapkalk::ResultTable TableOfRun(double von, double step, int count,
                                const fapkalk::CalcOptions& options,
                                const fapkalk::TableCriteria& criteria) {
    const std::int64_t first = std::llround(von * 100);
    const std::int64_t each = std::llround(step * 100);
    auto store = std::make_shared<fapkalk::RowStore>(options, fapkalk::kDefaultVatFactor, first,
                                                     first + (count - 1) * each, each);
    for (int i = 0; i < count; ++i)
        store->appendRow();
    store->setEnd(fapkalk::TableEnd::Complete);
    fapkalk::ResultTable table;
    table.rows = std::move(store);
    table.criteria = criteria;
    return table;
}

fapkalk::ResultTable TableWithPrices(int n) {
    return TableOfRun(0.01, 0.01, n);
}

void RunRange(fapkalk::TForm1& form, const QString& von, const QString& bis,
              const QString& staffel) {
    const MainControls ui(form);
    ui.eFAPBASIS->setText(von);
    ui.eBis->setText(bis);
    ui.Edit1->setText(staffel);
    form.RunCalculation();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray FileBytes(const QList<QByteArray>& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

bool SplitFileLines(const QByteArray& bytes, QList<QByteArray>& lines) {
    lines.clear();
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            return false;
        lines << bytes.mid(start, end - start);
        start = end + 2;
    }
    return true;
}

void WhenVisible(QWidget* window, std::function<void()> action, std::function<void()> onTimeout,
                 int timeoutMs) {
    QPointer<QWidget> target(window);
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto acted = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, [=]() mutable {
        if (!target) {
            poll->deleteLater();
            return;
        }
        if (!*acted && target->isVisible()) {
            *acted = true;
            poll->stop();
            poll->deleteLater();
            action();
            if (onTimeout)
                QTimer::singleShot(timeoutMs, [target, onTimeout] {
                    if (target && target->isVisible())
                        onTimeout();
                });
        }
    });
    poll->start();
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

bool SanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

} // namespace testkit
