// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/conversions.h"

#include "charset/tables.h"

namespace trelvick::rescue {

namespace {

using Code = Reason::Code;

QString nameOf(const charset::Charset& codepage)
{
    return QString::fromLatin1(codepage.name().data(), qsizetype(codepage.name().size()));
}

bool keepsAscii(const charset::Charset& codepage)
{
    if (codepage.isUtf8())
        return true;
    for (int b = 0; b < 128; ++b) {
        if (codepage.codePage().character(std::uint8_t(b)) != b)
            return false;
    }
    return true;
}

} // namespace

base::Expected<Conversions> Conversions::make(const Request& request, const Codepages& codepages)
{
    Conversions c;
    c.m_request = &request;
    if (request.source.table) {
        c.m_sourceName = request.source.tableName;
        c.m_fixed = *request.source.table;
        return c;
    }
    const charset::Charset& target = *request.target;
    c.m_targetName = nameOf(target);
    c.m_targetKeepsAscii = keepsAscii(target);
    if (const std::optional<charset::Charset>& source = request.source.codepage) {
        c.m_sourceName = nameOf(*source);
        c.m_sourceKeepsAscii = keepsAscii(*source);
        if (source->iconvName() != target.iconvName()) {
            base::Expected<convert::Converter> fixed = charset::converter(*source, target);
            if (!fixed)
                return fixed.error();
            c.m_fixed = std::move(*fixed);
        }
    }
    const auto count = std::size_t(guess::kEncodingCount);
    c.m_guessed.resize(count);
    c.m_guessFailure.resize(count);
    c.m_isTarget.resize(count);
    for (std::size_t e = 0; e < count; ++e) {
        const auto encoding = static_cast<guess::Encoding>(e);
        if (encoding == guess::Encoding::Ascii) {
            c.m_isTarget[e] = c.m_targetKeepsAscii;
            continue;
        }
        if (encoding == guess::Encoding::Utf8) {
            c.m_isTarget[e] = target.isUtf8();
            continue;
        }
        const charset::Charset* from = codepages.find(encoding);
        if (!from) {
            c.m_guessFailure[e] = base::Error::fault(base::Fault::NotSingleByte);
            continue;
        }
        c.m_isTarget[e] = from->iconvName() == target.iconvName();
        if (c.m_isTarget[e])
            continue;
        base::Expected<convert::Converter> converter = charset::converter(*from, target);
        if (converter)
            c.m_guessed[e] = std::move(*converter);
        else
            c.m_guessFailure[e] = converter.error();
    }
    return c;
}

Choice Conversions::fixed() const
{
    Choice choice;
    choice.action = Action::Converted;
    choice.from = m_sourceName;
    choice.converter = m_fixed ? &*m_fixed : &m_identity;
    return choice;
}

Choice Conversions::choose(const guess::Guess& guessed) const
{
    Choice choice;
    if (!guessed.fits()) {
        choice.action = Action::Copied;
        choice.reason.code = Code::NotText;
        return choice;
    }
    const guess::Encoding best = guessed.ranked.front().encoding;
    const auto e = std::size_t(best);
    if (m_request->source.table)
        return fixed(); // a converter of tq.ini may change any byte: no file is already in its target
    if (m_request->source.codepage) {
        choice.from = m_sourceName;
        const charset::Charset& source = *m_request->source.codepage;
        if (!m_fixed || (best == guess::Encoding::Ascii && m_sourceKeepsAscii && m_targetKeepsAscii)) {
            choice.action = Action::Unchanged;
        } else if (source.isUtf8() && best != guess::Encoding::Utf8) {
            // Read as UTF-8, a file in another codepage would come out as replacement characters.
            choice.reason = {Code::InDoubt, {}, 0, nameOf(best), {}};
        } else {
            choice.action = Action::Converted;
            choice.converter = &*m_fixed;
        }
        return choice;
    }
    choice.from = nameOf(best);
    if (m_isTarget[e]) {
        choice.action = Action::Unchanged;
    } else if (guessed.doubtful(m_request->source.minConfidence / 100.0)) {
        choice.reason = {Code::InDoubt, {}, 0, candidates(guessed), {}};
    } else if (!m_guessed[e]) {
        choice.reason = {Code::NoConversion, {}, 0, choice.from, m_guessFailure[e]};
    } else {
        choice.action = Action::Converted;
        choice.converter = &*m_guessed[e];
    }
    return choice;
}

} // namespace trelvick::rescue
