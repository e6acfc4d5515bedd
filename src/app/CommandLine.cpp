#include "app/CommandLine.h"

#include "tools/tools.h"

namespace fapkalk {

QString CommandLineHelpText() {
    return QStringLiteral("Aufrufparameter:\r\n"
                          "/noini - es werden keine Einstellungen (Fensterposition) gespeichert\r\n"
                          "/inidest:<pfad>) - z.b. /inidest:c:\\temp\r\n"
                          "/inidest:<pfad+iniName>) - z.b. /inidest:c:\\temp\\kalvor.ini");
}

CommandLineResult ParseCommandLine(const QStringList& arguments, QChar separator) {
    CommandLineResult result;
    if (arguments.size() < 2)
        return result;

    const QString parameter = tools::LowerAsciiLetters(arguments.at(1));
    const QString iniDest = QStringLiteral("/inidest:");

    if (parameter == QLatin1String("/?"))
        result.ShowHelp = true;
    if (parameter == QLatin1String("/noini"))
        result.Placement.Active = false;
    if (parameter.startsWith(iniDest)) {
        QString path = parameter.mid(iniDest.size());
        if (!path.contains(QLatin1String(".ini"))) {
            path = tools::StripTrailingBackslashes(path);
            // On Unix the folder is written with slashes; "/tmp/" must not give
            // "/tmp//kalvor.ini". "/" alone becomes "", so the file is "/kalvor.ini",
            // as a lone backslash gives "\kalvor.ini" on Windows.
            if (separator == u'/')
                while (path.endsWith(u'/'))
                    path.chop(1);
            path += separator + QStringLiteral("kalvor.ini");
        }
        result.Placement.IniFileName = path;
    }
    return result;
}

} // namespace fapkalk
