// The program's one command-line parameter: "/?", "/noini" or "/inidest:<path>",
// and "--version" and "--help", which are answered before any window exists.
#pragma once

#include <QChar>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdio>

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

// True when the first parameter is "--version" (letters "A" to "Z" lowered, as
// for every parameter). main() asks this before QApplication exists, so the
// answer needs neither a display nor a window. arguments as for
// ParseCommandLine; later parameters do not count.
bool AsksForVersion(const QStringList& arguments);

// True when the first parameter is "--help" or "-h", the way a Linux user asks
// (lowered like every parameter). Answered before QApplication exists, like
// "--version"; "/?" keeps its message box.
bool AsksForHelp(const QStringList& arguments);

// The answer to "--version", in the style of fapkalk-cli: "fapkalk <version>",
// then the copyright line, each ended by a line feed.
QString VersionText();

// The answer to "--help": every parameter ("/noini", "/inidest:", "/?",
// "--help", "--version") with Linux examples, and where the settings file lives.
QString HelpText();

// Write VersionText() or HelpText() to out and return the exit code: 0 when all
// of it was written and flushed; otherwise 1, with the reason on err (a full
// disk or a closed pipe must not pass for success).
int PrintVersion(std::FILE* out, std::FILE* err);
int PrintHelp(std::FILE* out, std::FILE* err);

} // namespace fapkalk
