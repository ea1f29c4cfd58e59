// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/request.h"
#include "rescueapp/planrow.h"
#include "rescueapp/rescuetexts.h"

#include <QAbstractTableModel>
#include <QHash>
#include <array>
#include <memory>
#include <vector>

namespace trelvick::rescueapp {

class Session;

// The plan as a table: a row per file (and per folder renamed or failing) in the order walked, the
// columns of rescuetexts' Column. Rows come in batches while the scan runs; the conversion's results
// then replace what the plan said. Every text is made when a view asks, in the language in force.
class PlanModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PlanModel(QObject* parent = nullptr);
    ~PlanModel() override;

    // A new plan: the rows of the old one go, the user's choices stay for the same paths.
    void reset(std::shared_ptr<const Session> session);
    void append(std::vector<PlanRow> rows);
    // The conversion's results, by node; a node without a row (a folder that failed) gets one.
    void setDone(std::vector<std::pair<qsizetype, Outcome>> results);
    void setLanguage(const Phrasebook& words);
    // kAsGuessed, kLeaveAlone or an encoding, for the rows given (files only; others are left).
    void choose(const QList<int>& rows, std::int8_t choice);

    const PlanRow& row(int r) const { return m_rows[std::size_t(r)]; }
    int rowOfNode(qsizetype node) const;
    bool isFile(int r) const;
    bool inDoubt(int r) const { return m_rows[std::size_t(r)].planned.inDoubt(); }
    bool lessThan(Column column, int left, int right) const;
    Verdict verdict(int r) const;
    // The file's start as it would read in encoding.
    QString preview(int r, guess::Encoding encoding) const;
    // The entry as the window names it: its input's last name, then its path below that input.
    QString shownName(int r) const;
    QHash<qsizetype, rescue::Request::Override> overrides() const;
    PlanCounts counts() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(int r, Column column) const;
    QString note(int r) const;
    QByteArray path(const PlanRow& row) const;
    int compare(Column column, const PlanRow& left, const PlanRow& right) const;
    void carryChoice(PlanRow& row) const;

    std::shared_ptr<const Session> m_session;
    std::vector<PlanRow> m_rows;
    std::vector<int> m_rowOfNode;
    QHash<QByteArray, std::int8_t> m_choices; // by path, across scans
    Phrasebook m_words;
    std::array<int, guess::kEncodingCount> m_codepageRank{}; // by name
    std::array<int, guess::kLanguageCount> m_languageRank{}; // by name in m_words
};

} // namespace trelvick::rescueapp
