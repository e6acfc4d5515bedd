// The program's one command-line parameter: "/?", "/noini" or "/inidest:<path>".
#pragma once

#include <QChar>
#include <QDir>
#include <QString>
#include <QStringList>

namespace fapkalk {

// What the command line says about the main window's placement file. The
// placement component takes these two values before the window is first shown.
struct PlacementSettings {
    bool Active = true;                                 // false after "/noini"
    QString IniFileName = QStringLiteral("kalvor.ini"); // bare name or path from "/inidest:"

    friend bool operator==(const PlacementSettings&, const PlacementSettings&) = default;
};

struct CommandLineResult {
    PlacementSettings Placement;
    bool ShowHelp = false; // "/?": the caller shows CommandLineHelpText() in a message box
};

// The help text for "/?": four lines joined by CR LF, no line break after the last.
QString CommandLineHelpText();

// Evaluates the first parameter. arguments is the whole command line as
// QCoreApplication::arguments() gives it (the program itself first); every later
// parameter is ignored. Only "A" to "Z" are lowered, and the path taken from
// "/inidest:" is lowered with them. A path without ".ini" is a folder: trailing
// backslashes (and, where the separator is "/", trailing slashes) go, and the
// separator and "kalvor.ini" are appended.
CommandLineResult ParseCommandLine(const QStringList& arguments,
                                   QChar separator = QDir::separator());

} // namespace fapkalk
