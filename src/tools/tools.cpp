#include "tools/tools.h"

#include "pricing/text_rules.h"
#include "tools/process_hook.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QUrl>

namespace tools {
namespace {

using ShellHook = ProcessHook<ShellOpener, struct ShellHookTag>;

void openWithShell(const QString& target) {
    if (const ShellOpener& opener = ShellHook::Get()) {
        opener(target);
        return;
    }
    // The result is deliberately not looked at: a missing browser or mail
    // program is not the calculator's business.
    (void)QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

} // namespace

void BusyCursorOn() {
    // The override stack would make nested On calls need as many Offs; keep at
    // most one override so a single Off always restores the default.
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QCoreApplication::processEvents();
}

void BusyCursorOff() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QCoreApplication::processEvents();
}

QString TrimControls(const QString& text) {
    const std::u16string_view all(reinterpret_cast<const char16_t*>(text.utf16()),
                                  std::size_t(text.size()));
    const std::u16string_view kept = fapkalk::TrimLowCodes(all);
    return text.mid(kept.data() - all.data(), qsizetype(kept.size()));
}

QString StripTrailingBackslashes(const QString& text) {
    QString result = TrimControls(text);
    while (!result.isEmpty() && result.back() == u'\\')
        result.chop(1);
    return result;
}

QString LowerAsciiLetters(const QString& text) {
    QString result = text;
    for (QChar& c : result)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return result;
}

void OpenWebAddress(const QString& address) {
    QString target = address;
    if (!LowerAsciiLetters(address).contains(QStringLiteral("http://")))
        target = QStringLiteral("http://") + TrimControls(address);
    openWithShell(target);
}

void OpenMailAddress(const QString& address, const QString& subject) {
    openWithShell(QStringLiteral("MailTo:") + TrimControls(address) + QStringLiteral("?subject=") +
                  subject);
}

ShellOpener SetShellOpener(ShellOpener opener) {
    return ShellHook::Replace(std::move(opener));
}

} // namespace tools
