// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charset/charset.h"
#include "cli/options.h"
#include "cli/reporter.h"
#include "cli/treeplan.h"
#include "convert/engine.h"
#include "guess/guess.h"

#include <array>
#include <optional>

namespace trelvick::cli {

// The converters a run needs, looked up once before the files are.
struct Conversions
{
    charset::Charset target;
    QString targetName;
    bool targetKeepsAscii = false;
    // -f NAME: the one converter; -f auto: one per guessed encoding that converts at all.
    std::optional<charset::Charset> source;
    QString sourceName;
    std::optional<convert::Converter> fixed;
    std::array<std::optional<convert::Converter>, guess::kEncodingCount> guessed;
    std::array<base::Error, guess::kEncodingCount> guessFailure;
    std::array<bool, guess::kEncodingCount> alreadyTarget{};
    convert::Converter copy = convert::ConversionTable(); // every byte as it is
};

// A codepage named by an option, or nothing once the reporter has said why not.
std::optional<charset::Charset> findCodepage(const QString& name, const QString& option, const Reporter& reporter,
                                             lang::Language language);

// The work on one node of a plan, on a worker thread: only that node's own files are touched.
class TreeFile final
{
public:
    // Nothing when -f or -t names no codepage or no conversion between them; the reporter has said why.
    static std::optional<Conversions> findConversions(const Options& options, const Reporter& reporter,
                                                      lang::Language language);

    TreeFile(const Options& options, lang::Language language, Conversions conversions, const TreePlan& plan)
        : m_options(options), m_language(language), m_conversions(std::move(conversions)), m_plan(plan)
    {
    }

    Result convertOne(qsizetype i) const;
    // Node i names a file already done as first: i becomes another name of its result.
    Result repeat(qsizetype i, const Result& first) const;

private:
    // A converter chosen for a file's contents; none when the file is skipped.
    struct Choice
    {
        Result result;
        const convert::Converter* converter = nullptr;
    };

    static void findGuessedConverters(Conversions& c);
    Result convertFile(qsizetype index) const;
    Choice choose(const guess::Guess& guessed) const;
    Result write(int input, qsizetype index, Result result, const convert::Converter& converter) const;
    Result placeResult(Result result, const Place& place) const;
    base::Error makeBackup(const QByteArray& path) const;

    const Options& m_options;
    lang::Language m_language;
    Conversions m_conversions;
    const TreePlan& m_plan;
};

} // namespace trelvick::cli
