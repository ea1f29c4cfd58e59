// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charset/charset.h"
#include "guess/guess.h"

#include <QByteArray>
#include <array>
#include <optional>

namespace trelvick::cli {

// File and folder names from an old codepage into UTF-8 (--names). A name that is valid UTF-8 (ASCII
// included) stays; any other is read in the given codepage, or else in the codepage its bytes
// fit best. Each call is independent: any number of threads may convert at once.
class NameConverter final
{
public:
    explicit NameConverter(std::optional<charset::Charset> from);

    // The name as UTF-8, or nothing when it cannot be read: a byte the codepage leaves undefined, or
    // a result that no file could be named ("", ".", "..", a "/" or NUL in it).
    //     "\x80\x90\x96\x84\x88\x8E.TXT" -> "ΑΡΧΕΙΟ.TXT" (its bytes guessed as CP737)
    std::optional<QByteArray> convert(const QByteArray& name) const;

private:
    std::optional<charset::Charset> m_from;
    // The codepages a name may be guessed in, by guess::Encoding; empty where iconv lacks one.
    std::array<std::optional<charset::Charset>, guess::kEncodingCount> m_guessed;
};

} // namespace trelvick::cli
