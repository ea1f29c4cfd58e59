// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/planfilter.h"

#include "rescueapp/planmodel.h"

namespace trelvick::rescueapp {

PlanFilter::PlanFilter(PlanModel& plan, QObject* parent) : QSortFilterProxyModel(parent), m_plan(plan)
{
    setSourceModel(&plan);
}

void PlanFilter::setOnlyInDoubt(bool only)
{
    if (only == m_onlyInDoubt)
        return;
    m_onlyInDoubt = only;
    invalidateFilter();
}

bool PlanFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return !m_onlyInDoubt || m_plan.inDoubt(sourceRow);
}

bool PlanFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return m_plan.lessThan(Column(left.column()), left.row(), right.row());
}

} // namespace trelvick::rescueapp
