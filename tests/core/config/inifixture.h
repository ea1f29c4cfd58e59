#pragma once

#include <QString>
#include <QStringEncoder>
#include <ostream>

// tq.ini is windows-1253 on disk, so the fixtures are too.
inline QByteArray windows1253(QStringView text)
{
    QStringEncoder encoder("windows-1253");
    return encoder.encode(text);
}

// Readable failure output for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
