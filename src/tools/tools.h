// Small stateless helpers shared by the windows.
#pragma once

#include <QString>
#include <functional>

namespace tools {

// Application-wide hourglass, then pending events are processed so it shows at
// once. The two do not nest: Off always returns to the default cursor.
void BusyCursorOn();
void BusyCursorOff();

// Removes characters of code 32 or below at both ends, then every backslash at the end.
QString StripTrailingBackslashes(const QString& text);

// The program's one trim (TrimLowCodes, pricing/text_rules.h) for a QString:
// characters of code 32 or below removed at both ends.
QString TrimControls(const QString& text);

// Lowers "A" to "Z" only; every other character stays as it is.
QString LowerAsciiLetters(const QString& text);

// Hand a web address or a mail target to the desktop shell; the outcome is ignored.
void OpenWebAddress(const QString& address);
void OpenMailAddress(const QString& address, const QString& subject);

// Seam for tests: receives every target the two functions above hand to the
// shell. An empty function restores the desktop services.
using ShellOpener = std::function<void(const QString& target)>;
ShellOpener SetShellOpener(ShellOpener opener);

} // namespace tools
