#include "app/CommandLine.h"

#include "platform/standard_streams.h"
#include "platform/system_error_text.h"
#include "publisher.h"
#include "tools/tools.h"

#include <algorithm>
#include <cerrno>

namespace fapkalk {

QString CommandLineHelpText() {
    return QStringLiteral("Aufrufparameter:\r\n"
                          "/noini - es werden keine Einstellungen (Fensterposition) gespeichert\r\n"
                          "/inidest:<pfad> - z.b. /inidest:/tmp\r\n"
                          "/inidest:<pfad+iniName> - z.b. /inidest:/tmp/kalvor.ini");
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
        // The switch is matched without case; the path keeps its case where
        // file names have one (on Unix "/srv/Praxis" is not "/srv/praxis").
        QString path =
            separator == u'/' ? arguments.at(1).mid(iniDest.size()) : parameter.mid(iniDest.size());
        // Nothing named: the default place, not a file at the file-system root.
        if (tools::StripTrailingBackslashes(path).isEmpty() && !path.contains(separator))
            return result;
        if (!path.contains(QLatin1String(".ini"), Qt::CaseInsensitive)) {
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

namespace {

bool FirstParameterIsOneOf(const QStringList& arguments,
                           std::initializer_list<QLatin1String> names) {
    if (arguments.size() < 2)
        return false;
    const QString parameter = tools::LowerAsciiLetters(arguments.at(1));
    return std::any_of(names.begin(), names.end(),
                       [&parameter](QLatin1String name) { return parameter == name; });
}

int PrintText(const QString& message, std::FILE* out, std::FILE* err) {
    // Standard output closed by the caller leads to /dev/null now: the text
    // the user asked for would vanish without a word.
    std::string reason = "sie war beim Programmstart geschlossen";
    if (out != stdout || !StandardStreamWasClosed(1)) {
        const QByteArray text = message.toUtf8();
        errno = 0;
        const bool written = std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()),
                                         out) == static_cast<std::size_t>(text.size());
        const bool flushed = std::fflush(out) == 0;
        if (written && flushed && !std::ferror(out))
            return 0;
        reason = errno != 0 ? SystemErrorText(errno) : "unbekannter Fehler";
    }
    std::fprintf(err, "fapkalk: Fehler beim Schreiben der Standardausgabe: %s\n", reason.c_str());
    std::fflush(err);
    return 1;
}

} // namespace

bool AsksForVersion(const QStringList& arguments) {
    return FirstParameterIsOneOf(arguments, {QLatin1String("--version")});
}

bool AsksForHelp(const QStringList& arguments) {
    return FirstParameterIsOneOf(arguments, {QLatin1String("--help"), QLatin1String("-h")});
}

QString VersionText() {
    return QStringLiteral("fapkalk ") + QString::fromUtf8(publisher::ProgramVersion) + u'\n' +
           QString::fromUtf8(publisher::Copyright) + u'\n';
}

QString HelpText() {
    return QStringLiteral(
        "Aufruf: fapkalk [PARAMETER]\n"
        "\n"
        "Startet das Programmfenster der FAP-Kalkulation. Nur der erste Parameter zählt.\n"
        "\n"
        "Parameter:\n"
        "  /noini                   es werden keine Einstellungen (Fensterposition)\n"
        "                           gelesen oder gespeichert\n"
        "  /inidest:<pfad>          Einstellungen in <pfad>/kalvor.ini,\n"
        "                           z.B. /inidest:$HOME/praxis\n"
        "  /inidest:<pfad+iniName>  Einstellungen in dieser Datei (Name mit \".ini\"),\n"
        "                           z.B. /inidest:$HOME/praxis/kalvor.ini\n"
        "  /?                       die Aufrufparameter in einem Meldungsfenster\n"
        "  -h, --help               diese Hilfe\n"
        "  --version                Versionsnummer\n"
        "\n"
        "Ohne /inidest: liegen die Einstellungen in ~/.config/fapkalk/kalvor.ini\n"
        "($XDG_CONFIG_HOME/fapkalk/kalvor.ini). Mehr in \"man fapkalk\";\n"
        "dieselbe Berechnung auf der Kommandozeile: fapkalk-cli --help.\n");
}

int PrintVersion(std::FILE* out, std::FILE* err) {
    return PrintText(VersionText(), out, err);
}

int PrintHelp(std::FILE* out, std::FILE* err) {
    return PrintText(HelpText(), out, err);
}

} // namespace fapkalk
