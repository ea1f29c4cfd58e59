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

// The wide form a guess names after a byte-order mark.
std::optional<charset::WideForm> wideOf(guess::Encoding encoding)
{
    switch (encoding) {
    case guess::Encoding::Utf16Le:
        return charset::WideForm::Utf16Le;
    case guess::Encoding::Utf16Be:
        return charset::WideForm::Utf16Be;
    case guess::Encoding::Utf32Le:
        return charset::WideForm::Utf32Le;
    case guess::Encoding::Utf32Be:
        return charset::WideForm::Utf32Be;
    default:
        return std::nullopt;
    }
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
    if (!target.isUtf8()) {
        base::Expected<charset::Charset> utf8 = charset::Charset::find("UTF-8");
        base::Expected<convert::Converter> fromUtf8 =
            utf8 ? charset::converter(*utf8, target) : base::Expected<convert::Converter>(utf8.error());
        if (fromUtf8)
            c.m_fromUtf8 = std::move(*fromUtf8);
    }
    if (request.source.wide)
        c.m_sourceName = QString::fromLatin1(charset::wideFormName(*request.source.wide).data());
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
    if (m_request->source.wide)
        return wide(*m_request->source.wide);
    return choice;
}

// UTF-16 or UTF-32 into UTF-8 first, then into the target.
Choice Conversions::wide(charset::WideForm form) const
{
    Choice choice;
    choice.from = QString::fromLatin1(charset::wideFormName(form).data());
    choice.wide = form;
    if (m_request->target->isUtf8() || m_fromUtf8) {
        choice.action = Action::Converted;
        choice.converter = m_request->target->isUtf8() ? &m_identity : &*m_fromUtf8;
    } else {
        choice.reason = {
            Reason::Code::NoConversion, {}, 0, choice.from, base::Error::fault(base::Fault::NotSingleByte)};
    }
    return choice;
}

Choice Conversions::chosen(guess::Encoding encoding) const
{
    if (const std::optional<charset::WideForm> form = wideOf(encoding))
        return wide(*form);
    Choice choice;
    const auto e = std::size_t(encoding);
    choice.from = nameOf(encoding);
    if (e < m_isTarget.size() && m_isTarget[e]) {
        choice.action = Action::Unchanged;
    } else if (e >= m_guessed.size() || !m_guessed[e]) {
        choice.reason = {Reason::Code::NoConversion,
                         {},
                         0,
                         choice.from,
                         e < m_guessFailure.size() ? m_guessFailure[e]
                                                   : base::Error::fault(base::Fault::UnknownCharset)};
    } else {
        choice.action = Action::Converted;
        choice.converter = &*m_guessed[e];
    }
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
    if (m_request->source.table || m_request->source.wide)
        return fixed(); // a converter of tq.ini may change any byte: no file is already in its target
    if (const std::optional<charset::WideForm> form = wideOf(best))
        return wide(*form);
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
    if (guessed.doubleEncodedThrough && (m_request->target->isUtf8() || m_fromUtf8)) {
        const QString through = nameOf(*guessed.doubleEncodedThrough);
        if (!m_request->fixMojibake) {
            choice.action = m_isTarget[e] ? Action::Unchanged : Action::Converted;
            choice.converter = m_isTarget[e] ? nullptr : &*m_fromUtf8;
            choice.reason = {Reason::Code::DoubleEncoded, {}, 0, through, {}};
        } else {
            choice.action = Action::Converted;
            choice.repairThrough = guessed.doubleEncodedThrough;
            choice.converter = m_request->target->isUtf8() ? &m_identity : &*m_fromUtf8;
            choice.reason = {Reason::Code::MojibakeRepaired, {}, 0, through, {}};
        }
    } else if (m_isTarget[e]) {
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
