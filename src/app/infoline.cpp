// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/infoline.h"

#include <QLocale>

namespace trelvick::app {

namespace {

// The locale's long time format carries the seconds in the locale's own style ("H.mm.ss",
// "HH 'h' mm 'min' ss 's'"); its time zone, which the short format never showed, is left out
// together with the blanks that set it apart.
QString timeFormatWithSeconds(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    bool dropFollowingBlanks = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (!kept.isEmpty() && kept.back().isSpace())
                kept.chop(1);
            dropFollowingBlanks = kept.isEmpty();
            continue;
        }
        if (dropFollowingBlanks && c.isSpace())
            continue;
        dropFollowingBlanks = false;
        kept += c;
    }
    return kept;
}

} // namespace

QString inputInfoText(lang::Language language, const files::FileStat& stat)
{
    // The system's locale, unless the program was given another default.
    const QLocale locale;
    const QDateTime modified = stat.modified.toLocalTime();
    QString date = locale.toString(modified.date(), QLocale::ShortFormat);
    // Judged to the second, as the line shows it: 00:00:00.4 is midnight.
    const QTime time = modified.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        date += u' ' + locale.toString(time, timeFormatWithSeconds(locale));
    return lang::inputInfoLine(language, stat.size, date);
}

} // namespace trelvick::app
