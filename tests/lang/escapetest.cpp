// SPDX-License-Identifier: GPL-3.0-or-later
// What a name looks like in a message: never a line of its own, never a control, one reading only.
#include "lang/escape.h"
#include "files/fileops.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using trelvick::files::decodeNativePath;

namespace {

// A name must not add a line for a reader that splits lines as str.splitlines() does (the pattern's
// \v: LF, VT, FF, CR, NEL, U+2028 and U+2029), and the byte 0x9B (not UTF-8) must not show as the
// character U+009B does: each escape reads back one way only.
TEST(Names, LineBreakShownRawOrByteAndCharacterShownAlike)
{
    const struct
    {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"a\x0b\x0c\x1c\x1d\x1e\rb", u"a\\x0b\\x0c\\x1c\\x1d\\x1e\\x0db"_s},
        {"\xc2\x85 \xe2\x80\xa8 \xe2\x80\xa9", u"\\u{85} \\u{2028} \\u{2029}"_s}, // NEL, line, paragraph
        {"\xc2\x9b"
         "1m \x9b",
         u"\\u{9b}1m \\x9b"_s},                     // U+009B, then the byte
        {"\xc2\x9f \xc2\xa0", u"\\u{9f} \u00a0"_s}, // the last C1, one after
        {"\\u{9b} \\x9b", u"\\\\u{9b} \\\\x9b"_s},  // the escapes as text
    };
    for (const auto& c : cases) {
        const QString shown = trelvick::lang::escaped(decodeNativePath(c.bytes.constData()));
        EXPECT_EQ(shown, c.shown) << c.bytes.toHex().toStdString();
        EXPECT_EQ(shown.split(QRegularExpression(u"[\\v\\x1c-\\x1e]"_s)).size(), 1);
    }
}

} // namespace
