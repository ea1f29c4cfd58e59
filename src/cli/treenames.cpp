// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treenames.h"

#include "guess/guess.h"

#include <QString>

namespace trelvick::cli {

NameConverter::NameConverter(std::optional<charset::Charset> from) : m_from(std::move(from))
{
    for (int e = 0; e < guess::kEncodingCount; ++e) {
        base::Expected<charset::Charset> found = charset::Charset::find(guess::encodingName(guess::Encoding(e)));
        if (found && !found->isUtf8())
            m_guessed[std::size_t(e)] = std::move(*found);
    }
}

std::optional<QByteArray> NameConverter::convert(const QByteArray& name) const
{
    const std::string_view bytes(name.constData(), std::size_t(name.size()));
    const guess::Guess guessed = guess::guessName(bytes);
    if (!guessed.fits())
        return std::nullopt;
    const guess::Encoding best = guessed.ranked.front().encoding;
    if (best == guess::Encoding::Ascii || best == guess::Encoding::Utf8)
        return name;
    const std::optional<charset::Charset>& from = m_from ? m_from : m_guessed[std::size_t(best)];
    if (!from || from->isUtf8())
        return std::nullopt;
    QString text;
    for (const char byte : name) {
        const int c = from->codePage().character(static_cast<std::uint8_t>(byte));
        if (c <= 0 || c == '/')
            return std::nullopt;
        const char32_t character = char32_t(c);
        text += QString::fromUcs4(&character, 1);
    }
    if (text == u"." || text == u"..")
        return std::nullopt;
    return text.toUtf8();
}

} // namespace trelvick::cli
