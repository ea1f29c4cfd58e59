// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace trelvick::lang {

// Every name, option, key, value and description a command-line message or listing echoes goes
// through here, so that a hostile one can neither hide text, forge a line nor colour the terminal:
// control characters (C0, DEL, C1) and undecodable bytes (U+DC80..U+DCFF, see files::nativePath) as
// \xNN, the bidirectional embeddings, overrides and isolates (U+202A..U+202E, U+2066..U+2069) as
// \u{NNNN}, and the backslash itself as \\, so that every escape reads back one way only.
// For example "a\\b<ESC>[31m" and "a\x1b" show as "a\\\\b\\x1b[31m" and "a\\\\x1b".
QString escaped(QStringView text);

} // namespace trelvick::lang
