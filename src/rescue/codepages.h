// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charset/charset.h"
#include "guess/guess.h"

#include <QString>
#include <optional>
#include <vector>

namespace trelvick::rescue {

// The name the guess gives an encoding, as iconv knows it and as reports show it.
QString nameOf(guess::Encoding encoding);
// A text's language as the report names it ("Greek"); empty for none.
QString languageOf(guess::Language language);

// The single-byte codepages a guess may name, found once per job; any number of threads may ask.
class Codepages final
{
public:
    Codepages();
    // Nothing for ASCII, UTF-8, UTF-16/32 and any codepage this system's iconv lacks.
    const charset::Charset* find(guess::Encoding encoding) const;

private:
    std::vector<std::optional<charset::Charset>> m_found; // by encoding
};

// The candidates a doubtful guess could not tell apart, with how likely each is: "CP737 60%, CP869 40%".
QString candidates(const guess::Guess& guessed);

} // namespace trelvick::rescue
