// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "convert/codepage.h"

#include <string>
#include <string_view>
#include <vector>

namespace trelvick::charset {

// A codepage as the C library's iconv knows it: UTF-8, or a single-byte codepage with the character
// of each of its bytes, asked of iconv byte by byte once, when it is found.
class Charset final
{
public:
    // Finds name under any name iconv knows the codepage by, in any letter case (CP737, ISO_8859-7,
    // windows-1253, koi8-r, utf8), or as a codepage number spelt 737, CP737, IBM737 or WINDOWS-1253,
    // whichever of these iconv knows. Fails with the name as key and the fault: CharsetSuffix for
    // iconv's "//TRANSLIT" and the like, UnknownCharset, or NotSingleByte for a codepage of more than
    // one byte per character (or whose characters iconv composes from several bytes, as CP1258's).
    static base::Expected<Charset> find(std::string_view name);

    const std::string& name() const { return m_name; }           // as asked for
    const std::string& iconvName() const { return m_iconvName; } // the spelling iconv knew
    bool isUtf8() const { return m_utf8; }
    // The bytes of a single-byte codepage; every byte undefined for UTF-8.
    const convert::CodePage& codePage() const { return m_codePage; }

private:
    std::string m_name;
    std::string m_iconvName;
    bool m_utf8 = false;
    convert::CodePage m_codePage;
};

// Every name that Charset::find takes as iconv spells it (numbers aside), sorted: the names of the
// single-byte codepages and of UTF-8 in the C library's gconv configuration and among its built-in
// ones.
std::vector<std::string> codepageNames();

} // namespace trelvick::charset
