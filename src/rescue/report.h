// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/escape.h"
#include "lang/texts.h"
#include "rescue/outcome.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The report of a job, the same for every face: a tab-separated line per entry for scripts (never
// translated), and the words of each reason in the language asked for. Read back, it is enough to undo
// a run in place (see undo.h).
//
//     path  from  to  outcome  changed  lost  new name  reason  language  backup  sha256
//
// path: the entry as walked (the input as given, then "/" and the names below it); new name: the last
// name it was given; backup: the name its original has beside it; sha256: of the contents written. Names
// are escaped as messages escape them (lang::escaped), and read back by unescape.
namespace trelvick::rescue {

// The report's name of an outcome: "converted", "copied", "unchanged", "skipped", "failed".
QString outcomeName(Action action);
std::optional<Action> outcomeNamed(QStringView name);
// A native path as the messages and the report show it.
lang::Escaped shownPath(const QByteArray& path);
// Why, in words: the report's (English, never translated) or a message's.
QString reasonText(const Reason& reason, lang::Language language);
// Every reason of a result but the warnings, joined by "; ".
QString reasonsText(const Result& result, lang::Language language);

// The report's line of an entry, with its line end.
QByteArray reportLine(const Node& node, const Result& result);

struct ReportRow
{
    QByteArray path;
    QString from;
    QString to;
    Action action = Action::Skipped;
    QByteArray newName;
    QByteArray backup;
    QByteArray sha256;
};

// The rows of a report, or Fault::BadValue with the line number as key for a line that is no row of one.
base::Expected<std::vector<ReportRow>> readReport(const QByteArray& text);

// A shown name back to its bytes: "a\\b\x9b" is the bytes a\b and 0x9B, "\u{9b}" the character U+009B.
std::optional<QByteArray> unescape(QStringView shown);

} // namespace trelvick::rescue
