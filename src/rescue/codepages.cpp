// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/codepages.h"

#include <QStringList>
#include <cmath>

namespace trelvick::rescue {

QString nameOf(guess::Encoding encoding)
{
    const std::string_view name = guess::encodingName(encoding);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString languageOf(guess::Language language)
{
    const std::string_view name = guess::languageName(language);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

Codepages::Codepages() : m_found(std::size_t(guess::kEncodingCount))
{
    for (int e = 0; e < guess::kEncodingCount; ++e) {
        const auto encoding = static_cast<guess::Encoding>(e);
        if (encoding == guess::Encoding::Ascii || encoding == guess::Encoding::Utf8)
            continue;
        base::Expected<charset::Charset> found = charset::Charset::find(guess::encodingName(encoding));
        if (found && !found->isUtf8())
            m_found[std::size_t(e)] = std::move(*found);
    }
}

const charset::Charset* Codepages::find(guess::Encoding encoding) const
{
    const auto e = std::size_t(encoding);
    return e < m_found.size() && m_found[e] ? &*m_found[e] : nullptr;
}

QString candidates(const guess::Guess& guessed)
{
    QStringList shown;
    for (const guess::Likelihood& likelihood : guessed.ranked) {
        // The best one is always named, however unsure: "in doubt:" and nothing would tell nothing.
        if (likelihood.confidence >= guess::kCloseRunnerUp || shown.isEmpty())
            shown << nameOf(likelihood.encoding) + u' ' +
                         QString::number(static_cast<int>(std::floor(likelihood.confidence * 100))) + u'%';
    }
    return shown.join(QStringLiteral(", "));
}

} // namespace trelvick::rescue
