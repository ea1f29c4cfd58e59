// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <type_traits>
#include <utility>

namespace trelvick::lang {

// Every name, option, key, value and description a command-line message or listing echoes goes
// through here, so that a hostile one can neither hide text, forge a line (for a terminal, or for a
// script that splits lines the way Python's str.splitlines() does) nor colour the terminal:
//  - bytes that are not UTF-8 (U+DC80..U+DCFF, see files::nativePath) as \xNN;
//  - the C0 controls and DEL, where byte and character are one, as \xNN as well;
//  - the C1 controls, NEL among them, the line and paragraph separators U+2028 and U+2029, and the
//    bidirectional embeddings, overrides and isolates (U+202A..U+202E, U+2066..U+2069) as \u{N},
//    the character's code in hexadecimal;
//  - the backslash itself as \\.
// So every escape reads back one way only: \x9b is the byte 0x9B, \u{9b} the character U+009B.
// For example "a\\b<ESC>[31m", "a\x1b" and "<U+009B>1<U+2028>" show as "a\\\\b\\x1b[31m", "a\\\\x1b"
// and "\\u{9b}1\\u{2028}".
class Escaped;
Escaped escaped(QStringView text);

// A text that went through escaped(): the only form in which a name, option, key or value reaches a
// command-line message, so that passing a raw one does not compile.
class Escaped final
{
public:
    Escaped() = default;
    const QString& text() const { return m_text; }
    // Read-only use as a QString (joining, comparing, printing) is fine: the text is safe by now.
    operator const QString&() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    Escaped operator+(const Escaped& more) const { return Escaped(m_text + more.m_text); }

private:
    explicit Escaped(QString text) : m_text(std::move(text)) {}
    friend Escaped escaped(QStringView text);
    friend Escaped ownText(QString text);
    QString m_text;
};

// A text of the program's own (a translated "(standard input)", a list of option names it made):
// nothing a user typed or a file name.
Escaped ownText(QString text);

static_assert(!std::is_convertible_v<QString, Escaped>, "a raw QString must not pass for an escaped one");
static_assert(!std::is_constructible_v<Escaped, QString>, "only escaped() and ownText() make an Escaped");

} // namespace trelvick::lang
