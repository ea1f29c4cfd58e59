// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/engine.h"
#include "guess/guess.h"
#include "rescue/codepages.h"
#include "rescue/outcome.h"
#include "rescue/request.h"

#include <optional>
#include <vector>

namespace trelvick::rescue {

// What the job does with a file's contents, decided from its guess.
struct Choice
{
    Action action = Action::Skipped; // Converted, Copied (not text), Unchanged, Skipped
    QString from;
    const convert::Converter* converter = nullptr; // Converted: through this
    std::optional<charset::WideForm> wide;         // read from UTF-16 or UTF-32 into UTF-8 first
    std::optional<guess::Encoding> repairThrough;  // UTF-8 double-encoded through this codepage, repaired first
    Reason reason;                                 // Copied or Skipped: why
};

// The converters a job needs, found once before any file is read: the one of a codepage the user
// named, or one for each codepage a guess may name. Any number of threads may choose at once.
class Conversions final
{
public:
    // Fails when the named codepage cannot be converted into the target at all.
    static base::Expected<Conversions> make(const Request& request, const Codepages& codepages);

    // A file the guess finds not text is Copied; one already in the target (ASCII into a target that
    // keeps ASCII) is Unchanged. A codepage the user named is honoured whatever the guess says, but a
    // file that is not UTF-8 is never read as UTF-8. A guess less sure than the request's least
    // confidence (or one that is mostly UTF-8 with a stray byte) is Skipped as in doubt.
    Choice choose(const guess::Guess& guessed) const;
    // Without a guess (a batch of files named with a converter or a codepage): every file converted.
    Choice fixed() const;
    // As the user chose for one file: read in encoding whatever its guess said.
    Choice chosen(guess::Encoding encoding) const;

    // Every byte as it is, line ends aside: for a file already in the target whose line ends change.
    const convert::Converter& identity() const { return m_identity; }
    const QString& targetName() const { return m_targetName; }

private:
    Conversions() = default;
    Choice wide(charset::WideForm form) const;

    const Request* m_request = nullptr;
    QString m_targetName;
    QString m_sourceName;
    bool m_targetKeepsAscii = false;
    bool m_sourceKeepsAscii = false;
    std::optional<convert::Converter> m_fixed;                // the codepage named, unless it is the target
    std::vector<std::optional<convert::Converter>> m_guessed; // by guess::Encoding
    std::vector<base::Error> m_guessFailure;                  // by guess::Encoding
    std::vector<bool> m_isTarget;                             // by guess::Encoding
    convert::Converter m_identity = convert::ConversionTable();
    std::optional<convert::Converter> m_fromUtf8; // after UTF-16 or UTF-32, into a single-byte target
};

} // namespace trelvick::rescue
