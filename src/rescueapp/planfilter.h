// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSortFilterProxyModel>

namespace trelvick::rescueapp {

class PlanModel;

// The plan as the table shows it: sorted by the column clicked (on the rows' own data, so that a
// hundred thousand rows sort without a text made for each comparison), and, when asked, only the
// files in doubt.
class PlanFilter final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit PlanFilter(PlanModel& plan, QObject* parent = nullptr);

    void setOnlyInDoubt(bool only);
    bool onlyInDoubt() const { return m_onlyInDoubt; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    PlanModel& m_plan;
    bool m_onlyInDoubt = false;
};

} // namespace trelvick::rescueapp
