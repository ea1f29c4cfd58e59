// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"
#include "rescue/outcome.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>
#include <optional>

// What the window keeps of each entry of a plan: small, since an archive may hold a hundred thousand
// files, and enough to show, sort and decide by without asking the engine or the disk again.
namespace trelvick::rescueapp {

struct Candidate
{
    guess::Encoding encoding = guess::Encoding::Ascii;
    std::uint8_t percent = 0;
    guess::Language language = guess::Language::Unknown;
};
inline constexpr int kMaxCandidates = 4;

// What the engine told of an entry, in a dry run or a real one.
struct Outcome
{
    rescue::Action action = rescue::Action::Skipped;
    bool problem = false;
    std::int8_t from = -1; // the guess::Encoding read; -1 for none (not text, not looked at)
    guess::Language language = guess::Language::Unknown;
    QByteArray newName;
    QList<rescue::Reason> reasons;

    // In doubt: the guess, or the guess of its name, was not sure enough.
    bool inDoubt() const;
};

// The user's word on an entry, as the request's overrides take it.
inline constexpr std::int8_t kAsGuessed = -1;
inline constexpr std::int8_t kLeaveAlone = -2;

struct PlanRow
{
    qsizetype node = -1; // in the session's plan
    Outcome planned;     // the scan's
    std::optional<Outcome> done;
    QByteArray head; // the file's first bytes, for the previews
    std::array<Candidate, kMaxCandidates> candidates{};
    std::uint8_t candidateCount = 0;
    std::int8_t chosen = kAsGuessed; // kLeaveAlone, or the guess::Encoding the user chose

    // The codepage it will be read in: the user's choice, else the scan's.
    std::optional<guess::Encoding> readAs() const
    {
        if (chosen >= 0)
            return static_cast<guess::Encoding>(chosen);
        if (planned.from >= 0)
            return static_cast<guess::Encoding>(planned.from);
        return std::nullopt;
    }
};

// The window's outcome of a result: its candidates left aside.
Outcome outcomeOf(const rescue::Result& result);
// The row of an entry's scan result (its head read apart).
PlanRow rowOf(qsizetype node, const rescue::Result& result);

} // namespace trelvick::rescueapp
