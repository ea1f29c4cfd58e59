// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/catalog.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <clocale>
#include <cstring>
#include <libintl.h>
#include <optional>

namespace trelvick::lang {

QString catalogFolder(const QString& programFile)
{
    const QDir programFolder = QFileInfo(programFile).absoluteDir();
    // In the build folder (told by its CMakeCache.txt beside bin/) the programs lie in bin/ beside
    // share/; installed they lie in lib/trelvick/, and the catalogues where TRELVICK_LOCALE_FROM_PROGRAM
    // (made by CMake from the install folders) leads.
    const QString built = programFolder.absoluteFilePath(QStringLiteral("../share/locale"));
    if (QFileInfo(programFolder.absoluteFilePath(QStringLiteral("../CMakeCache.txt"))).isFile())
        return QDir::cleanPath(built);
    return QDir::cleanPath(programFolder.absoluteFilePath(QStringLiteral(TRELVICK_LOCALE_FROM_PROGRAM)));
}

void openCatalog(const QString& programFile)
{
    std::setlocale(LC_ALL, "");
    const QByteArray folder = QFile::encodeName(catalogFolder(programFile));
    ::bindtextdomain(kTextDomain, folder.constData());
    // Messages are written as UTF-8 whatever the locale's character set, as every text of the program is.
    ::bind_textdomain_codeset(kTextDomain, "UTF-8");
    ::textdomain(kTextDomain);
}

bool catalogOpen()
{
    // The C library's own record of the domain messages come from: "messages" until textdomain is called.
    const char* domain = ::textdomain(nullptr);
    return domain && std::strcmp(domain, kTextDomain) == 0;
}

QString tr(const char* msgid)
{
    return QString::fromUtf8(::dgettext(kTextDomain, msgid));
}

QString trn(const char* singular, const char* plural, std::int64_t count)
{
    const auto n = static_cast<unsigned long>(count < 0 ? -count : count);
    return QString::fromUtf8(::dngettext(kTextDomain, singular, plural, n));
}

QString catalogLanguage()
{
    // The empty key gives the header of the catalogue gettext picked, or itself when there is none.
    const QString header = QString::fromUtf8(::dgettext(kTextDomain, ""));
    for (const QStringView line : QStringView(header).split(u'\n')) {
        if (line.startsWith(u"Language:"))
            return line.mid(9).trimmed().toString();
    }
    return {};
}

Language messageLanguage()
{
    return catalogLanguage().startsWith(u"el") ? Language::Greek : Language::English;
}

namespace {

// The locale the C library took for numbers, as Qt's data knows it; none for C and POSIX.
std::optional<QLocale> numericLocale()
{
    // The C library's own Greek numbers are not grouped (glibc's el_GR has no grouping), while
    // Greek writes 24.000.000: the digits follow the locale the C library took, as Qt's data has it.
    const QString name = QString::fromLatin1(std::setlocale(LC_NUMERIC, nullptr));
    if (name.isEmpty() || name == u"C" || name.startsWith(u"C.") || name == u"POSIX")
        return std::nullopt;
    QLocale locale(name);
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale;
}

} // namespace

QString number(std::int64_t value)
{
    const std::optional<QLocale> locale = numericLocale();
    return locale ? locale->toString(static_cast<qlonglong>(value)) : QString::number(value);
}

QString number(double value, int decimals)
{
    const std::optional<QLocale> locale = numericLocale();
    return locale ? locale->toString(value, 'f', decimals) : QString::number(value, 'f', decimals);
}

} // namespace trelvick::lang
