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
    m_status.setText(status(m_language));
}

void StatusBoard::setReport(const QString& path, const base::Error& failed)
{
    if (path.isEmpty())
        m_reportText = nullptr;
    else if (failed)
        m_reportText = [path, failed](Language l) { return reportFailed(l, path, lang::errorText(failed, l)); };
    else
        m_reportText = [path](Language l) { return reportSaved(l, path); };
    m_report.setText(m_reportText ? m_reportText(m_language) : QString());
}

void StatusBoard::addProblem(const QString& name, Wording reason)
{
    m_problems.addItem(problem(name, reason(m_language)));
    m_problemTexts.append({name, std::move(reason)});
}

void StatusBoard::addProblem(const QString& name, const QList<rescue::Reason>& reasons)
{
    addProblem(name, [reasons](Language language) {
        QStringList texts;
        for (const rescue::Reason& reason : reasons) {
            if (const QString text = rescue::reasonText(reason, language); !text.isEmpty())
                texts << text;
        }
        return texts.join(u"; "_s);
    });
}

void StatusBoard::addProblem(const QString& name, const base::Error& error)
{
    addProblem(name, [error](Language l) { return lang::errorText(error, l); });
}

void StatusBoard::addProblem(const rescue::UndoStep& step)
{
    using Outcome = rescue::UndoStep::Outcome;
    const Outcome outcome = step.outcome;
    const base::Error error = step.error;
    addProblem(rescue::shownPath(step.path), [outcome, error](Language l) {
        return outcome == Outcome::Changed    ? undoChanged(l)
               : outcome == Outcome::NoBackup ? undoNoBackup(l)
                                              : lang::errorText(error, l);
    });
}

void StatusBoard::clearProblems()
{
    m_problemTexts.clear();
    m_problems.clear();
}

void StatusBoard::setLanguage(Language language)
{
    m_language = language;
    m_status.setText(status(language));
    m_report.setText(m_reportText ? m_reportText(language) : QString());
    m_problems.clear();
    for (const auto& [name, reason] : std::as_const(m_problemTexts))
        m_problems.addItem(problem(name, reason(language)));
}

} // namespace trelvick::rescueapp
