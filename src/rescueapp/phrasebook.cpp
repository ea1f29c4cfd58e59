// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/phrasebook.h"

#include "lang/catalog.h"

#include <QDir>
#include <QFile>

namespace trelvick::rescueapp {

Phrasebook Phrasebook::open(const QString& localeFolder, Language language)
{
    const QString file = QDir(localeFolder).filePath(QStringLiteral("el/LC_MESSAGES/%1.mo").arg(lang::kTextDomain));
    auto greek = std::make_shared<const lang::MoCatalog>(lang::MoCatalog::read(QFile::encodeName(file).toStdString()));
    return Phrasebook(std::move(greek), language);
}

Phrasebook::Phrasebook(std::shared_ptr<const lang::MoCatalog> greek, Language language)
    : m_greek(std::move(greek)), m_asked(language)
{
}

Language Phrasebook::language() const
{
    return catalogue() ? Language::Greek : Language::English;
}

Phrasebook Phrasebook::in(Language language) const
{
    return Phrasebook(m_greek, language);
}

const lang::MoCatalog* Phrasebook::catalogue() const
{
    return m_asked == Language::Greek && m_greek && !m_greek->empty() ? m_greek.get() : nullptr;
}

QString Phrasebook::tr(const char* msgid) const
{
    const std::string* found = catalogue() && *msgid ? catalogue()->find(msgid) : nullptr;
    return QString::fromUtf8(found ? found->c_str() : msgid);
}

QString Phrasebook::trn(const char* singular, const char* plural, std::int64_t count) const
{
    if (const std::string* found = catalogue() ? catalogue()->find(singular, count) : nullptr)
        return QString::fromUtf8(*found);
    return QString::fromUtf8(count == 1 ? singular : plural);
}

} // namespace trelvick::rescueapp
