// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/windowusage.h"

#include "base/version.h"
#include "lang/escape.h"

namespace trelvick::lang {

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t kHelp[] = uR"(Usage: trelvick [OPTION]...
Opens the Trelvick window, which converts the codepage of Greek 8-bit text files through the
converters of tq.ini and views, edits, renames and deletes the files it converts.
trelvick-convert does the same from the command line.

  -h, --help     show this help and exit
  -V, --version  show the version and exit

Qt's own options (-platform, -display, -style and the others) are taken as every Qt program takes
them. The window takes no file names.

Exit status: 0 when the window is closed, 1 when the program cannot start (a fault of tq.ini,
say), 2 bad usage.
)";

QString usageError(const QString& what)
{
    return u"trelvick: "_s + what + u"\nTry 'trelvick --help' for more information.\n"_s;
}

} // namespace

QString windowHelp()
{
    return QString::fromUtf16(kHelp);
}

QString windowVersion()
{
    return u"trelvick "_s + QString::fromLatin1(base::kDisplayVersion) + u'\n';
}

QString windowUnknownOption(QStringView option)
{
    return usageError(u"unrecognized option '"_s + escaped(option) + u'\'');
}

QString windowExtraOperand(QStringView operand)
{
    return usageError(u"extra operand '"_s + escaped(operand) + u'\'');
}

QString windowWriteError(const QString& reason)
{
    return u"trelvick: write error: "_s + reason + u'\n';
}

} // namespace trelvick::lang
