// The date and time texts of the status-bar clock and of the export header's
// "Erstellt" line. fapkalk and fapkalk-cli both call these, so the window's
// export and the tool's --header agree byte for byte under every locale.
// Header-only and QtCore-only: fapkalk-cli links QtCore, not the widgets.
#pragma once

#include "pricing/export_lines.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <ctime>
#include <string>

namespace tools {

// The locale of the user's date and time formats, looked up as the C library
// and Qt look up LC_TIME: LC_ALL, else LC_TIME, else LANG. The C and POSIX
// locales (and names Qt does not know) have no form a pharmacy reads ("7 Dec
// 2026"), so Austrian German stands in for them.
inline QLocale DateTimeLocale() {
    QByteArray name = qgetenv("LC_ALL");
    if (name.isEmpty())
        name = qgetenv("LC_TIME");
    if (name.isEmpty())
        name = qgetenv("LANG");
    const QLocale locale(QString::fromLatin1(name));
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::German, QLocale::Austria);
    return locale;
}

namespace detail {

// Rewrites the unquoted runs of one letter of a Qt date-time format: a run of
// letter of length n becomes replace(n). Quoted text stays as it is.
template <class Replace>
QString RewriteField(const QString& format, QChar letter, Replace replace) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != letter) {
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < format.size() && format.at(i + run) == letter)
            ++run;
        result += replace(run);
        i += run;
    }
    return result;
}

} // namespace detail

// The format with its two-digit year ("yy") written in four digits ("yyyy").
inline QString WithFourDigitYear(const QString& format) {
    return detail::RewriteField(format, u'y',
                                [](qsizetype run) { return QString(run == 2 ? 4 : run, u'y'); });
}

// The format without its time-zone field ("t"), and without the blanks that
// separated it: a status-bar panel has no room for one, and the export records
// local time anyway.
inline QString WithoutTimeZone(const QString& format) {
    return detail::RewriteField(format, u't', [](qsizetype) { return QString(); }).trimmed();
}

// The user's short date format with a four-digit year ("07.12.2026" in German).
inline QString ShortDateText(const QDate& date, const QLocale& locale = DateTimeLocale()) {
    return locale.toString(date, WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat)));
}

// The user's long time format without a time zone ("14:05:09" in German).
inline QString LongTimeText(const QTime& time, const QLocale& locale = DateTimeLocale()) {
    return locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

// The export header's date-time text for a local moment: the short date, one
// blank and the long time, or the date alone in the first second after midnight.
inline std::string CreatedDateTimeText(const QDateTime& local,
                                       const QLocale& locale = DateTimeLocale()) {
    const QTime time = local.time();
    return fapkalk::CreatedText(ShortDateText(local.date(), locale).toStdString(),
                                LongTimeText(time, locale).toStdString(), time.hour(),
                                time.minute(), time.second());
}

// The same for a moment in seconds since the epoch, in local time; empty for
// a moment local time cannot show.
inline std::string CreatedTextAt(std::time_t moment) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(moment);
    return local.isValid() ? CreatedDateTimeText(local) : std::string();
}

} // namespace tools
