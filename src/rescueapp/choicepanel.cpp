// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/choicepanel.h"

#include "rescue/codepages.h"
#include "rescueapp/planfilter.h"
#include "rescueapp/planmodel.h"

#include <QItemSelectionModel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;

ChoicePanel::ChoicePanel(const Controls& controls, PlanModel& plan, PlanFilter& filter, QObject* parent)
    : QObject(parent), m_controls(controls), m_plan(plan), m_filter(filter)
{
    QItemSelectionModel* selection = controls.plan->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &ChoicePanel::refresh);
    connect(selection, &QItemSelectionModel::currentRowChanged, this, &ChoicePanel::refresh);
    connect(controls.candidates, &QListWidget::currentRowChanged, this, &ChoicePanel::updateButtons);
    connect(controls.readAs, &QPushButton::clicked, this, [this] {
        if (const QListWidgetItem* item = m_controls.candidates->currentItem())
            choose(std::int8_t(item->data(Qt::UserRole).toInt()));
    });
    connect(controls.leaveAlone, &QPushButton::clicked, this, [this] { choose(kLeaveAlone); });
    connect(controls.asGuessed, &QPushButton::clicked, this, [this] { choose(kAsGuessed); });
    refresh();
}

void ChoicePanel::setLanguage(const Phrasebook& words)
{
    m_words = words;
    refresh();
}

void ChoicePanel::setOpen(bool open)
{
    m_open = open;
    updateButtons();
}

QList<int> ChoicePanel::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_controls.plan->selectionModel()->selectedRows())
        rows << m_filter.mapToSource(index).row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The candidates of the current row, the one it will be read in selected.
void ChoicePanel::refresh()
{
    QListWidget* list = m_controls.candidates;
    const QSignalBlocker quiet(list);
    list->clear();
    const int r = m_filter.mapToSource(m_controls.plan->currentIndex()).row();
    if (r >= 0 && m_plan.isFile(r)) {
        const PlanRow& row = m_plan.row(r);
        for (int c = 0; c < row.candidateCount; ++c) {
            const Candidate& candidate = row.candidates[std::size_t(c)];
            QString heading = rescue::nameOf(candidate.encoding) + u" · "_s + percent(candidate.percent, m_words);
            if (const QString language = languageName(candidate.language, m_words); !language.isEmpty())
                heading += u" · "_s + language;
            auto* item = new QListWidgetItem(heading + u'\n' + m_plan.preview(r, candidate.encoding), list);
            item->setData(Qt::UserRole, int(candidate.encoding));
            if (row.readAs() == candidate.encoding && row.chosen != kLeaveAlone)
                list->setCurrentItem(item);
        }
    }
    updateButtons();
}

void ChoicePanel::updateButtons()
{
    bool files = false;
    bool chosen = false;
    for (const int r : selectedRows()) {
        files = files || m_plan.isFile(r);
        chosen = chosen || (m_plan.isFile(r) && m_plan.row(r).chosen != kAsGuessed);
    }
    m_controls.readAs->setEnabled(m_open && files && m_controls.candidates->currentItem());
    m_controls.leaveAlone->setEnabled(m_open && files);
    m_controls.asGuessed->setEnabled(m_open && chosen);
}

void ChoicePanel::choose(std::int8_t choice)
{
    if (!m_open)
        return;
    m_plan.choose(selectedRows(), choice);
    refresh();
}

} // namespace trelvick::rescueapp
