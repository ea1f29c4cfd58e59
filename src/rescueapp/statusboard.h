// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/outcome.h"
#include "rescue/undo.h"
#include "rescueapp/rescuetexts.h"

#include <QList>
#include <functional>

class QLabel;
class QListWidget;

namespace trelvick::rescueapp {

// A text worded when shown, in the language then in force.
using Wording = std::function<QString(const Phrasebook&)>;

// What the window tells besides the plan: the status line, where the report went, and the problems,
// each with the file's name. Everything is kept as wordings, so that a switch of language words it all
// again.
class StatusBoard final
{
public:
    StatusBoard(QLabel& status, QLabel& report, QListWidget& problems)
        : m_status(status), m_report(report), m_problems(problems)
    {
    }

    void setStatus(Wording text);
    QString status(const Phrasebook& words) const { return m_statusText ? m_statusText(words) : QString(); }
    // Where the report is, or why it is not whole; nothing for an empty path.
    void setReport(const QString& path, const base::Error& failed);
    void addProblem(const QString& name, Wording reason);
    void addProblem(const QString& name, const QList<rescue::Reason>& reasons);
    void addProblem(const QString& name, const base::Error& error);
    // A file the undo could not put back, and why.
    void addProblem(const rescue::UndoStep& step);
    void clearProblems();
    void setLanguage(const Phrasebook& words);

private:
    QLabel& m_status;
    QLabel& m_report;
    QListWidget& m_problems;
    Phrasebook m_words;
    Wording m_statusText;
    Wording m_reportText;
    QList<std::pair<QString, Wording>> m_problemTexts;
};

} // namespace trelvick::rescueapp
