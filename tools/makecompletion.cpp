// SPDX-License-Identifier: GPL-3.0-or-later
// makecompletion TEMPLATE OUTPUT: trelvick-convert's bash completion, made at build time from the
// template by filling in, from the program's option table, the option words (@OPTIONS@: "--eol=",
// "--guess --guess=") and the case arms for the values they take (@VALUES@), so that the completion
// offers what the program takes and nothing twice.
#include "cli/optiontable.h"

#include <QFile>
#include <cstdio>

using namespace Qt::StringLiterals;
using trelvick::cli::OptionEntry;

namespace {

// "        --eol) values='keep lf crlf' ;;" for an option whose values the table lists.
QString valueArm(const OptionEntry& entry)
{
    const QString name = u"--"_s + QLatin1StringView(entry.name);
    const QString pattern = entry.letter ? u"-"_s + QLatin1Char(entry.letter) + u" | "_s + name : name;
    const QString values = QString::fromLatin1(entry.values);
    QString arm = u"return"_s;     // a range: a number, nothing to offer
    if (!values.contains(u".."_s)) // an optional value only after "=": "--guess name" names a file
        arm = (entry.arg == OptionEntry::Arg::Optional ? u"$split && "_s : QString()) + u"values='"_s +
              values.split(u'|').join(u' ') + u'\'';
    return u"        "_s + pattern + u") "_s + arm + u" ;;\n"_s;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: makecompletion TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    QStringList words;
    QString arms;
    for (const OptionEntry& entry : trelvick::cli::optionTable()) {
        const QString name = u"--"_s + QLatin1StringView(entry.name);
        if (entry.arg != OptionEntry::Arg::Required)
            words << name;
        if (entry.arg != OptionEntry::Arg::None)
            words << name + u'=';
        if (entry.values)
            arms += valueArm(entry);
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "makecompletion: %s\n", qPrintable(in.isOpen() ? out.errorString() : in.errorString()));
        return 1;
    }
    QString text = QString::fromUtf8(in.readAll());
    text.replace(u"@OPTIONS@"_s, words.join(u' ')).replace(u"@VALUES@\n"_s, arms);
    return out.write(text.toUtf8()) >= 0 && out.flush() ? 0 : 1;
}
