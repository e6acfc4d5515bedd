// fapkalk: price calculator after the Austrian medicine price tariff of 2012.
#include "app/CommandLine.h"
#include "app/StartProgram.h"
#include "app/Translations.h"
#include "platform/standard_streams.h"
#include "publisher.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    fapkalk::SecureProcessEdges();
    // "--version" and "--help" are answered before QApplication exists: they
    // need no display (a packaging script or a terminal without X can ask).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (fapkalk::AsksForVersion(arguments))
        return fapkalk::PrintVersion(stdout, stderr);
    if (fapkalk::AsksForHelp(arguments))
        return fapkalk::PrintHelp(stdout, stderr);

    QApplication app(argc, argv);
    fapkalk::InstallQtTranslation(app);
    // Lets a Wayland compositor match the window to the installed desktop file.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(fapkalk::publisher::AppId));
    return fapkalk::StartProgram(QApplication::arguments());
}
