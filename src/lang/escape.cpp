// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/escape.h"

namespace trelvick::lang {

namespace {

bool isControl(char16_t u)
{
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F);
}

bool isUndecodedByte(char16_t u)
{
    return u >= 0xDC80 && u <= 0xDCFF;
}

bool isBidiControl(char16_t u)
{
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

QString hex(unsigned value, int width)
{
    return QString::number(value, 16).rightJustified(width, u'0');
}

} // namespace

QString escaped(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            shown += QStringLiteral("\\\\");
        else if (isControl(u))
            shown += QStringLiteral("\\x") + hex(u, 2);
        else if (isUndecodedByte(u))
            shown += QStringLiteral("\\x") + hex(u - 0xDC00u, 2);
        else if (isBidiControl(u))
            shown += QStringLiteral("\\u{") + hex(u, 4) + u'}';
        else
            shown += c;
    }
    return shown;
}

} // namespace trelvick::lang
