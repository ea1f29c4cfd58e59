#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

namespace trelvick::testing {

// tq.ini is windows-1253 on disk, so the files the tests write for it are too.
inline QByteArray cp1253(const QString& text)
{
    QStringEncoder encoder("windows-1253");
    return encoder(text);
}

} // namespace trelvick::testing
