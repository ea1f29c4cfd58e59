// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charset/iconvhandle.h"
#include "convert/engine.h"

#include <optional>
#include <string_view>
#include <vector>

namespace trelvick::charset {

// The encodings of more than one byte per character that a file can be read in, all of them into UTF-8.
enum class WideForm
{
    Utf16, // the byte-order mark decides, big-endian without one
    Utf16Le,
    Utf16Be,
    Utf32,
    Utf32Le,
    Utf32Be,
};

// The form an encoding name stands for ("UTF-16LE", "utf16", "UCS-4"...), in any letter case.
std::optional<WideForm> wideForm(std::string_view name);
// As iconv and reports name it: "UTF-16LE".
std::string_view wideFormName(WideForm form);

// A source in UTF-16 or UTF-32 read as UTF-8, through iconv, for the engine. A byte-order mark at the
// start is dropped (UTF-8 written from it carries none); a sequence that is no character (a lone
// surrogate, a code point beyond U+10FFFF) or cut at the end becomes U+FFFD and is counted.
//     WideSource utf16(WideForm::Utf16Le, file);   // "\xff\xfeA\x00" reads as "A"
class WideSource final : public convert::ByteSource
{
public:
    WideSource(WideForm form, convert::ByteSource& inner);

    std::int64_t read(char* buffer, std::int64_t capacity) override;
    base::Error error() const override { return m_error ? m_error : m_inner.error(); }
    // The sequences written as U+FFFD so far.
    std::int64_t invalid() const { return m_invalid; }

private:
    bool fill();
    void replaceOne(char*& out, std::size_t& room);

    WideForm m_form;
    convert::ByteSource& m_inner;
    IconvHandle m_decoder;
    std::vector<char> m_pending; // read, not yet decoded
    std::size_t m_start = 0;
    bool m_atStart = true;
    bool m_ended = false;
    std::int64_t m_invalid = 0;
    base::Error m_error;
};

} // namespace trelvick::charset
