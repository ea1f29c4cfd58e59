// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescueapp/controls.h"

#include <QList>
#include <QObject>

namespace trelvick::rescueapp {

class PlanModel;
class PlanFilter;

// The user's word on the files selected in the plan: the likely codepages of the current one, each
// with its start as it would read, to read them all in; or leave them alone; or let the guess decide.
class ChoicePanel final : public QObject
{
    Q_OBJECT

public:
    ChoicePanel(const Controls& controls, PlanModel& plan, PlanFilter& filter, QObject* parent = nullptr);

    void setLanguage(const Phrasebook& words);
    // Whether choices may be made now: a whole plan, and no job running on it.
    void setOpen(bool open);
    // The rows of the plan selected in the table.
    QList<int> selectedRows() const;
    void refresh();

private:
    void choose(std::int8_t choice);
    void updateButtons();

    const Controls& m_controls;
    PlanModel& m_plan;
    PlanFilter& m_filter;
    Phrasebook m_words;
    bool m_open = false;
};

} // namespace trelvick::rescueapp
