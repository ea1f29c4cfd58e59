// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/escape.h"

namespace trelvick::lang {

namespace {

// The characters below 0x80 are their own bytes, so their escape can name the byte.
bool isAsciiControl(char16_t u)
{
    return u < 0x20 || u == 0x7F;
}

bool isUndecodedByte(char16_t u)
{
    return u >= 0xDC80 && u <= 0xDCFF;
}

// C1 controls, line breaks beyond ASCII, and the bidirectional controls.
bool isEscapedCharacter(char16_t u)
{
    return (u >= 0x80 && u <= 0x9F) || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069);
}

QString hex(unsigned value, int width)
{
    return QString::number(value, 16).rightJustified(width, u'0');
}

} // namespace

Escaped ownText(QString text)
{
    return Escaped(std::move(text));
}

Escaped escaped(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            shown += QStringLiteral("\\\\");
        else if (isAsciiControl(u))
            shown += QStringLiteral("\\x") + hex(u, 2);
        else if (isUndecodedByte(u))
            shown += QStringLiteral("\\x") + hex(u - 0xDC00u, 2);
        else if (isEscapedCharacter(u))
            shown += QStringLiteral("\\u{") + hex(u, 1) + u'}';
        else
            shown += c;
    }
    return Escaped(std::move(shown));
}

} // namespace trelvick::lang
