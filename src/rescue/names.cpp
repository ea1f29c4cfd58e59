// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/names.h"

#include <climits>

namespace trelvick::rescue {

namespace {

using Verdict = NameReading::Verdict;

NameReading decoded(const QByteArray& name, const charset::Charset& from)
{
    QString text;
    for (const char byte : name) {
        const int c = from.codePage().character(static_cast<std::uint8_t>(byte));
        if (c <= 0 || c == '/')
            return {Verdict::Invalid, {}, {}};
        const char32_t character = char32_t(c);
        text += QString::fromUcs4(&character, 1);
    }
    if (text == u"." || text == u"..")
        return {Verdict::Invalid, {}, {}};
    const QByteArray utf8 = text.toUtf8();
    return {utf8.size() > NAME_MAX ? Verdict::TooLong : Verdict::Renamed, utf8, {}};
}

} // namespace

NameConverter::NameConverter(const Codepages& codepages, const charset::Charset* from, int minConfidence)
    : m_codepages(codepages), m_from(from), m_least(minConfidence / 100.0)
{
}

NameReading NameConverter::read(const QByteArray& name) const
{
    const guess::Guess guessed = guess::guessName(std::string_view(name.constData(), std::size_t(name.size())));
    if (guessed.fits()) {
        const guess::Encoding best = guessed.ranked.front().encoding;
        if (best == guess::Encoding::Ascii || best == guess::Encoding::Utf8)
            return {Verdict::Stays, {}, {}};
    }
    if (m_from)
        return decoded(name, *m_from);
    if (!guessed.fits())
        return {Verdict::Invalid, {}, {}};
    if (guessed.doubtful(m_least))
        return {Verdict::InDoubt, {}, candidates(guessed)};
    const charset::Charset* from = m_codepages.find(guessed.ranked.front().encoding);
    if (!from)
        return {Verdict::InDoubt, {}, candidates(guessed)};
    return decoded(name, *from);
}

} // namespace trelvick::rescue
