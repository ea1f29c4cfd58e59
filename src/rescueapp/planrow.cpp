// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/planrow.h"

#include "rescueapp/preview.h"

#include <cmath>

namespace trelvick::rescueapp {

namespace {

using Code = rescue::Reason::Code;

guess::Language languageNamed(const QString& name)
{
    if (name.isEmpty())
        return guess::Language::Unknown;
    for (int l = 1; l < guess::kLanguageCount; ++l) {
        const std::string_view known = guess::languageName(static_cast<guess::Language>(l));
        if (name == QLatin1StringView(known.data(), qsizetype(known.size())))
            return static_cast<guess::Language>(l);
    }
    return guess::Language::Unknown;
}

} // namespace

bool Outcome::inDoubt() const
{
    for (const rescue::Reason& reason : reasons) {
        if (reason.code == Code::InDoubt || reason.code == Code::NameInDoubt)
            return true;
    }
    return false;
}

Outcome outcomeOf(const rescue::Result& result)
{
    Outcome outcome;
    outcome.action = result.action;
    outcome.problem = result.problem;
    if (const std::optional<guess::Encoding> from = encodingNamed(result.from))
        outcome.from = static_cast<std::int8_t>(*from);
    outcome.language = languageNamed(result.language);
    outcome.newName = result.newName;
    outcome.reasons = result.reasons;
    return outcome;
}

PlanRow rowOf(qsizetype node, const rescue::Result& result)
{
    PlanRow row;
    row.node = node;
    row.planned = outcomeOf(result);
    for (const guess::Likelihood& likely : result.candidates) {
        if (row.candidateCount == kMaxCandidates)
            break;
        const auto percent = std::uint8_t(std::lround(std::clamp(likely.confidence, 0.0, 1.0) * 100));
        row.candidates[row.candidateCount++] = {likely.encoding, percent, likely.language};
    }
    return row;
}

} // namespace trelvick::rescueapp
