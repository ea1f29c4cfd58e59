// SPDX-License-Identifier: GPL-3.0-or-later
#include "charset/widesource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trelvick::charset {

namespace {

constexpr std::size_t kReadSize = 64 * 1024;
constexpr char kReplacement[] = "\xef\xbf\xbd"; // U+FFFD in UTF-8
constexpr std::size_t kReplacementSize = sizeof kReplacement - 1;

struct Known
{
    std::string_view name;
    WideForm form;
};
constexpr Known kNames[] = {
    {"UTF-16", WideForm::Utf16},    {"UTF16", WideForm::Utf16},      {"UTF-16LE", WideForm::Utf16Le},
    {"UTF16LE", WideForm::Utf16Le}, {"UTF-16BE", WideForm::Utf16Be}, {"UTF16BE", WideForm::Utf16Be},
    {"UCS-2", WideForm::Utf16},     {"UCS-2LE", WideForm::Utf16Le},  {"UCS-2BE", WideForm::Utf16Be},
    {"UTF-32", WideForm::Utf32},    {"UTF32", WideForm::Utf32},      {"UTF-32LE", WideForm::Utf32Le},
    {"UTF32LE", WideForm::Utf32Le}, {"UTF-32BE", WideForm::Utf32Be}, {"UTF32BE", WideForm::Utf32Be},
    {"UCS-4", WideForm::Utf32},     {"UCS-4LE", WideForm::Utf32Le},  {"UCS-4BE", WideForm::Utf32Be},
};

bool isUtf32(WideForm form)
{
    return form == WideForm::Utf32 || form == WideForm::Utf32Le || form == WideForm::Utf32Be;
}

std::size_t unitSize(WideForm form)
{
    return isUtf32(form) ? 4 : 2;
}

// The mark of the form's own order, which iconv would read as a character (U+FEFF) in the LE and BE forms.
std::string_view markOf(WideForm form)
{
    switch (form) {
    case WideForm::Utf16Le:
        return {"\xff\xfe", 2};
    case WideForm::Utf16Be:
        return {"\xfe\xff", 2};
    case WideForm::Utf32Le:
        return {"\xff\xfe\0\0", 4};
    case WideForm::Utf32Be:
        return {"\0\0\xfe\xff", 4};
    case WideForm::Utf16:
    case WideForm::Utf32:
        break;
    }
    return {};
}

} // namespace

std::optional<WideForm> wideForm(std::string_view name)
{
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    for (const Known& known : kNames) {
        if (known.name == upper)
            return known.form;
    }
    return std::nullopt;
}

std::string_view wideFormName(WideForm form)
{
    switch (form) {
    case WideForm::Utf16:
        return "UTF-16";
    case WideForm::Utf16Le:
        return "UTF-16LE";
    case WideForm::Utf16Be:
        return "UTF-16BE";
    case WideForm::Utf32:
        return "UTF-32";
    case WideForm::Utf32Le:
        return "UTF-32LE";
    case WideForm::Utf32Be:
        break;
    }
    return "UTF-32BE";
}

WideSource::WideSource(WideForm form, convert::ByteSource& inner)
    : m_form(form), m_inner(inner), m_decoder("UTF-8", std::string(wideFormName(form)))
{
}

// More bytes to decode; false at the end of the input (or on a failure, which error() tells).
bool WideSource::fill()
{
    if (m_ended)
        return false;
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(m_start));
    m_start = 0;
    const std::size_t had = m_pending.size();
    m_pending.resize(had + kReadSize);
    const std::int64_t got = m_inner.read(m_pending.data() + had, std::int64_t(kReadSize));
    m_pending.resize(had + std::size_t(std::max<std::int64_t>(got, 0)));
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    if (m_atStart && m_pending.size() >= unitSize(m_form)) {
        const std::string_view mark = markOf(m_form);
        if (!mark.empty() && std::memcmp(m_pending.data(), mark.data(), mark.size()) == 0)
            m_start = mark.size();
        m_atStart = false;
    }
    return true;
}

void WideSource::replaceOne(char*& out, std::size_t& room)
{
    std::memcpy(out, kReplacement, kReplacementSize);
    out += kReplacementSize;
    room -= kReplacementSize;
    ++m_invalid;
}

std::int64_t WideSource::read(char* buffer, std::int64_t capacity)
{
    if (!m_decoder.valid()) {
        m_error = base::Error::fault(base::Fault::UnknownCharset, base::Side::Input);
        return -1;
    }
    char* out = buffer;
    auto room = std::size_t(capacity);
    while (room >= 4 * kReplacementSize && out == buffer) {
        if (m_start == m_pending.size() || (m_pending.size() - m_start < unitSize(m_form) && !m_ended)) {
            if (!fill()) {
                if (m_inner.error())
                    return -1;
                if (m_start < m_pending.size()) { // a sequence cut by the end of the file
                    m_start = m_pending.size();
                    replaceOne(out, room);
                }
                break;
            }
            continue;
        }
        char* in = m_pending.data() + m_start;
        std::size_t left = m_pending.size() - m_start;
        const std::size_t converted = m_decoder.step(&in, &left, &out, &room);
        m_start = m_pending.size() - left;
        if (converted != std::size_t(-1) || errno == E2BIG)
            continue;
        if (errno == EILSEQ) {
            m_start = std::min(m_pending.size(), m_start + unitSize(m_form));
            replaceOne(out, room);
        } else if (errno == EINVAL && !fill() && m_start < m_pending.size()) {
            if (m_inner.error())
                return -1;
            m_start = m_pending.size();
            replaceOne(out, room);
        }
    }
    return out - buffer;
}

} // namespace trelvick::charset
