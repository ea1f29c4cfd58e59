#pragma once

#include <QString>
#include <ostream>

// Readable failure output for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
