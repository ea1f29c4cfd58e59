// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treenames.h"

#include "guess/guess.h"

#include <QString>

namespace trelvick::cli {

NameConverter::NameConverter(std::optional<charset::Charset> from) : m_from(std::move(from))
{
    static_assert(std::tuple_size_v<decltype(m_guessed)> == guess::kEncodingCount);
    for (const guess::Encoding encoding :
         {guess::Encoding::Cp737, guess::Encoding::Cp869, guess::Encoding::Cp1253, guess::Encoding::Iso8859_7}) {
        base::Expected<charset::Charset> found = charset::Charset::find(guess::encodingName(encoding));
        if (found)
            m_guessed[std::size_t(encoding)] = std::move(*found);
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
