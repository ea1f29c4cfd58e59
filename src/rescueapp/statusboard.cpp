// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/statusboard.h"

#include "lang/errortext.h"
#include "rescue/report.h"

#include <QLabel>
#include <QListWidget>
#include <QStringList>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;

void StatusBoard::setStatus(Wording text)
{
    m_statusText = std::move(text);
    m_status.setText(status(m_words));
}

void StatusBoard::setReport(const QString& path, const base::Error& failed)
{
    if (path.isEmpty())
        m_reportText = nullptr;
    else if (failed)
        m_reportText = [path, failed](const Phrasebook& w) {
            return reportFailed(w, path, lang::errorText(failed, w.language()));
        };
    else
        m_reportText = [path](const Phrasebook& w) { return reportSaved(w, path); };
    m_report.setText(m_reportText ? m_reportText(m_words) : QString());
}

void StatusBoard::addProblem(const QString& name, Wording reason)
{
    m_problems.addItem(problem(name, reason(m_words)));
    m_problemTexts.append({name, std::move(reason)});
}

void StatusBoard::addProblem(const QString& name, const QList<rescue::Reason>& reasons)
{
    addProblem(name, [reasons](const Phrasebook& words) {
        QStringList texts;
        for (const rescue::Reason& reason : reasons) {
            if (const QString text = rescue::reasonText(reason, words.language()); !text.isEmpty())
                texts << text;
        }
        return texts.join(u"; "_s);
    });
}

void StatusBoard::addProblem(const QString& name, const base::Error& error)
{
    addProblem(name, [error](const Phrasebook& w) { return lang::errorText(error, w.language()); });
}

void StatusBoard::addProblem(const rescue::UndoStep& step)
{
    using Outcome = rescue::UndoStep::Outcome;
    const Outcome outcome = step.outcome;
    const base::Error error = step.error;
    addProblem(rescue::shownPath(step.path), [outcome, error](const Phrasebook& w) {
        return outcome == Outcome::Changed    ? undoChanged(w)
               : outcome == Outcome::NoBackup ? undoNoBackup(w)
                                              : lang::errorText(error, w.language());
    });
}

void StatusBoard::clearProblems()
{
    m_problemTexts.clear();
    m_problems.clear();
}

void StatusBoard::setLanguage(const Phrasebook& words)
{
    m_words = words;
    m_status.setText(status(words));
    m_report.setText(m_reportText ? m_reportText(words) : QString());
    m_problems.clear();
    for (const auto& [name, reason] : std::as_const(m_problemTexts))
        m_problems.addItem(problem(name, reason(words)));
}

} // namespace trelvick::rescueapp
