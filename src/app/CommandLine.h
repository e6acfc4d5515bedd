// The program's one command-line parameter: "/?", "/noini" or "/inidest:<path>",
// and "--version" and "--help", which are answered before any window exists.
#pragma once

#include "ui/main/MainWindowSettings.h"

#include <QChar>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace fapkalk {

// What the command line says: how the main window's placement component
// starts, and whether the help box is asked for.
struct CommandLineResult {
    PlacementSettings Placement;
    bool ShowHelp = false; // "/?": the caller shows CommandLineHelpText() in a message box
};

// The help text for "/?": four lines joined by CR LF, no line break after the last.
QString CommandLineHelpText();

// Evaluates the first parameter. arguments is the whole command line as
// QCoreApplication::arguments() gives it (the program itself first); every later
// parameter is ignored. Only "A" to "Z" are lowered. The path taken from
// "/inidest:" keeps its case where the separator is "/" (a case-sensitive file
// system) and is lowered with the rest where it is "\\". A path without ".ini"
// (in any case) is a folder: trailing backslashes (and, where the separator is
// "/", trailing slashes) go, and the separator and "kalvor.ini" are appended.
// An empty path (blanks at most) leaves the default file name.
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
