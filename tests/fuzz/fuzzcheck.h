// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the fuzz targets share: a check that stops the run where libFuzzer can see it, and text
// helpers for carving Qt strings out of fuzz data.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

// An assert that is never compiled out: a broken invariant must abort so that libFuzzer records the input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);              \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace trelvick::fuzz {

inline QByteArray toByteArray(const std::string& bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// Blanks as the profile reader trims them (space, tab, vertical tab).
inline bool isIniBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v';
}

inline QString trimIniBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isIniBlank(text[begin]))
        ++begin;
    while (end > begin && isIniBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace trelvick::fuzz
