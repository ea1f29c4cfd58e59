// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/planmodel.h"

#include "rescue/codepages.h"
#include "rescue/report.h"
#include "rescueapp/preview.h"
#include "rescueapp/session.h"

#include <QStringList>
#include <algorithm>
#include <numeric>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;
using rescue::Action;
using Kind = rescue::Node::Kind;

namespace {

template <class T> int threeWay(const T& left, const T& right)
{
    return left < right ? -1 : right < left ? 1 : 0;
}

// The last name of an input as given ("/home/a/archive/" is "archive"; "/" stays "/").
QByteArray lastName(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 || path.size() == 1 ? path : path.mid(slash + 1);
}

Verdict doneVerdict(Action action)
{
    switch (action) {
    case Action::Converted:
        return Verdict::Converted;
    case Action::Copied:
        return Verdict::Copied;
    case Action::Unchanged:
        return Verdict::LeftUnchanged;
    case Action::Skipped:
        return Verdict::Skipped;
    case Action::Failed:
        break;
    }
    return Verdict::Failed;
}

Verdict plannedVerdict(const Outcome& planned)
{
    switch (planned.action) {
    case Action::Converted:
        return Verdict::Convert;
    case Action::Copied:
        return Verdict::Copy;
    case Action::Unchanged:
        return Verdict::Unchanged;
    case Action::Skipped:
        return planned.inDoubt() ? Verdict::InDoubt : Verdict::Skip;
    case Action::Failed:
        break;
    }
    return Verdict::Fail;
}

const Candidate* candidateFor(const PlanRow& row, guess::Encoding encoding)
{
    for (int c = 0; c < row.candidateCount; ++c) {
        if (row.candidates[std::size_t(c)].encoding == encoding)
            return &row.candidates[std::size_t(c)];
    }
    return nullptr;
}

} // namespace

PlanModel::PlanModel(QObject* parent) : QAbstractTableModel(parent)
{
    std::array<int, guess::kEncodingCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [](int a, int b) { return rescue::nameOf(guess::Encoding(a)) < rescue::nameOf(guess::Encoding(b)); });
    for (int rank = 0; rank < guess::kEncodingCount; ++rank)
        m_codepageRank[std::size_t(order[std::size_t(rank)])] = rank;
    setLanguage(m_words);
}

PlanModel::~PlanModel() = default;

void PlanModel::reset(std::shared_ptr<const Session> session)
{
    beginResetModel();
    m_session = std::move(session);
    m_rows.clear();
    m_rows.shrink_to_fit();
    const std::size_t entries = m_session && m_session->planned() ? std::size_t(m_session->plan().size()) : 0;
    m_rowOfNode.assign(entries, -1);
    // At most a row an entry: room for all at once, so that a hundred thousand rows never stand in memory
    // twice while the list grows.
    m_rows.reserve(entries);
    endResetModel();
}

void PlanModel::append(std::vector<PlanRow> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (PlanRow& row : rows) {
        carryChoice(row);
        m_rowOfNode[std::size_t(row.node)] = int(m_rows.size());
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
}

void PlanModel::carryChoice(PlanRow& row) const
{
    if (m_choices.isEmpty())
        return;
    const auto found = m_choices.constFind(path(row));
    if (found != m_choices.constEnd() && m_session->plan().node(row.node).kind == Kind::File)
        row.chosen = *found;
}

void PlanModel::setDone(std::vector<std::pair<qsizetype, Outcome>> results)
{
    int low = int(m_rows.size());
    int high = -1;
    std::vector<PlanRow> added;
    for (auto& [node, outcome] : results) {
        const int r = rowOfNode(node);
        if (r < 0) {
            PlanRow row;
            row.node = node;
            row.planned = outcome;
            row.done = std::move(outcome);
            added.push_back(std::move(row));
            continue;
        }
        m_rows[std::size_t(r)].done = std::move(outcome);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    if (high >= low)
        emit dataChanged(index(low, 0), index(high, kColumnCount - 1));
    append(std::move(added));
}

void PlanModel::setLanguage(const Phrasebook& words)
{
    m_words = words;
    std::array<int, guess::kLanguageCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&words](int a, int b) {
        return languageName(guess::Language(a), words) < languageName(guess::Language(b), words);
    });
    for (int rank = 0; rank < guess::kLanguageCount; ++rank)
        m_languageRank[std::size_t(order[std::size_t(rank)])] = rank;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void PlanModel::choose(const QList<int>& rows, std::int8_t choice)
{
    for (const int r : rows) {
        if (!isFile(r))
            continue;
        PlanRow& row = m_rows[std::size_t(r)];
        row.chosen = choice;
        if (choice == kAsGuessed)
            m_choices.remove(path(row));
        else
            m_choices.insert(path(row), choice);
        emit dataChanged(index(r, 0), index(r, kColumnCount - 1));
    }
}

int PlanModel::rowOfNode(qsizetype node) const
{
    return node >= 0 && std::size_t(node) < m_rowOfNode.size() ? m_rowOfNode[std::size_t(node)] : -1;
}

bool PlanModel::isFile(int r) const
{
    if (r < 0 || r >= rowCount())
        return false;
    const PlanRow& row = m_rows[std::size_t(r)];
    const rescue::Node& node = m_session->plan().node(row.node);
    return node.kind == Kind::File && node.sameAs < 0 && !row.done;
}

Verdict PlanModel::verdict(int r) const
{
    const PlanRow& row = m_rows[std::size_t(r)];
    if (row.done)
        return doneVerdict(row.done->action);
    if (row.chosen == kLeaveAlone)
        return Verdict::ChosenSkip;
    if (row.chosen >= 0) {
        const rescue::Choice choice = m_session->conversions().chosen(guess::Encoding(row.chosen));
        return choice.action == Action::Unchanged ? Verdict::Unchanged : Verdict::ChosenConvert;
    }
    return plannedVerdict(row.planned);
}

QString PlanModel::preview(int r, guess::Encoding encoding) const
{
    const PlanRow& row = m_rows[std::size_t(r)];
    return row.head.isEmpty() ? QString() : previewText(row.head, encoding, m_session->conversions());
}

QString PlanModel::shownName(int r) const
{
    const rescue::Node& node = m_session->plan().node(m_rows[std::size_t(r)].node);
    const QByteArray base = lastName(m_session->request().inputs[node.root].path);
    return rescue::shownPath(node.isInput() ? base : base + '/' + node.relative);
}

QByteArray PlanModel::path(const PlanRow& row) const
{
    return m_session->plan().node(row.node).path;
}

QHash<qsizetype, rescue::Request::Override> PlanModel::overrides() const
{
    QHash<qsizetype, rescue::Request::Override> overrides;
    for (const PlanRow& row : m_rows) {
        if (row.chosen == kLeaveAlone)
            overrides.insert(row.node, {true, guess::Encoding::Ascii});
        else if (row.chosen >= 0)
            overrides.insert(row.node, {false, guess::Encoding(row.chosen)});
    }
    return overrides;
}

PlanCounts PlanModel::counts() const
{
    PlanCounts counts;
    for (int r = 0; r < rowCount(); ++r) {
        if (m_session->plan().node(m_rows[std::size_t(r)].node).kind == Kind::Folder)
            continue;
        ++counts.files;
        switch (verdict(r)) {
        case Verdict::Convert:
        case Verdict::ChosenConvert:
            ++counts.convert;
            break;
        case Verdict::Copy:
            ++counts.copy;
            break;
        case Verdict::Unchanged:
            ++counts.unchanged;
            break;
        case Verdict::InDoubt:
            ++counts.inDoubt;
            break;
        case Verdict::Skip:
        case Verdict::ChosenSkip:
            ++counts.skip;
            break;
        default:
            ++counts.fail;
        }
    }
    return counts;
}

int PlanModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PlanModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PlanModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto column = Column(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(index.row(), column);
    case Qt::ToolTipRole:
        if (column == Column::Name)
            return rescue::shownPath(path(m_rows[std::size_t(index.row())])).text();
        return column == Column::Preview || column == Column::Note ? text(index.row(), column) : QVariant();
    case Qt::TextAlignmentRole:
        return column == Column::Confidence ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant PlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) && section >= 0 &&
        section < kColumnCount)
        return columnTitle(Column(section), m_words);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString PlanModel::text(int r, Column column) const
{
    const PlanRow& row = m_rows[std::size_t(r)];
    const Outcome& outcome = row.done ? *row.done : row.planned;
    const std::optional<guess::Encoding> readAs = row.chosen == kLeaveAlone ? std::nullopt : row.readAs();
    const Candidate* candidate = readAs ? candidateFor(row, *readAs) : nullptr;
    switch (column) {
    case Column::Name:
        return shownName(r);
    case Column::NewName:
        return outcome.newName.isEmpty() ? QString() : rescue::shownPath(outcome.newName);
    case Column::Codepage:
        return readAs ? rescue::nameOf(*readAs) : QString();
    case Column::Language:
        return languageName(
            row.chosen >= 0 ? (candidate ? candidate->language : guess::Language::Unknown) : outcome.language, m_words);
    case Column::Confidence:
        return candidate ? percent(candidate->percent, m_words) : QString();
    case Column::Action:
        return verdictText(verdict(r), m_words);
    case Column::Preview:
        return readAs && (row.chosen >= 0 || row.planned.action != Action::Copied) ? preview(r, *readAs) : QString();
    case Column::Note:
        return note(r);
    }
    return {};
}

QString PlanModel::note(int r) const
{
    const PlanRow& row = m_rows[std::size_t(r)];
    if (!row.done && row.chosen != kAsGuessed)
        return yourChoice(m_words);
    QStringList texts;
    for (const rescue::Reason& reason : (row.done ? *row.done : row.planned).reasons) {
        const QString text = rescue::reasonText(reason, m_words.language());
        if (!text.isEmpty())
            texts << text;
    }
    return texts.join(u"; "_s);
}

bool PlanModel::lessThan(Column column, int left, int right) const
{
    const PlanRow& a = m_rows[std::size_t(left)];
    const PlanRow& b = m_rows[std::size_t(right)];
    const int order = compare(column, a, b);
    return order != 0 ? order < 0 : a.node < b.node;
}

int PlanModel::compare(Column column, const PlanRow& a, const PlanRow& b) const
{
    const auto rank = [this](const PlanRow& row) {
        const std::optional<guess::Encoding> e = row.chosen == kLeaveAlone ? std::nullopt : row.readAs();
        return e ? m_codepageRank[std::size_t(*e)] : -1;
    };
    const auto confidence = [](const PlanRow& row) {
        const Candidate* c = row.readAs() && row.chosen != kLeaveAlone ? candidateFor(row, *row.readAs()) : nullptr;
        return c ? int(c->percent) : -1;
    };
    const Outcome& oa = a.done ? *a.done : a.planned;
    const Outcome& ob = b.done ? *b.done : b.planned;
    switch (column) {
    case Column::Name: {
        const rescue::Node& na = m_session->plan().node(a.node);
        const rescue::Node& nb = m_session->plan().node(b.node);
        if (const int roots = threeWay(na.root, nb.root))
            return roots;
        return threeWay(na.isInput() ? QByteArray() : na.relative, nb.isInput() ? QByteArray() : nb.relative);
    }
    case Column::NewName:
        return threeWay(oa.newName, ob.newName);
    case Column::Codepage:
        return threeWay(rank(a), rank(b));
    case Column::Language:
        return threeWay(m_languageRank[std::size_t(oa.language)], m_languageRank[std::size_t(ob.language)]);
    case Column::Confidence:
        return threeWay(confidence(a), confidence(b));
    case Column::Action:
        return threeWay(int(verdict(m_rowOfNode[std::size_t(a.node)])), int(verdict(m_rowOfNode[std::size_t(b.node)])));
    case Column::Preview:
        return threeWay(a.head, b.head);
    case Column::Note: {
        const int ca = oa.reasons.isEmpty() ? -1 : int(oa.reasons.front().code);
        const int cb = ob.reasons.isEmpty() ? -1 : int(ob.reasons.front().code);
        return threeWay(ca, cb);
    }
    }
    return 0;
}

} // namespace trelvick::rescueapp
