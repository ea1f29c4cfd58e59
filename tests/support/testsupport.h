// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every test shares: tq.ini bytes as they lie on disk, a temporary folder with byte-exact file
// helpers, and readable failure output for Qt strings.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <ostream>
#include <sys/stat.h>

// tq.ini is windows-1253 on disk, so the test files are too.
inline QByteArray windows1253(QStringView text)
{
    return QStringEncoder("windows-1253")(text);
}

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace trelvick::testsupport {

// Table rows with a name print as it (bring it in with a using-declaration beside the rows).
template <typename Case>
requires requires(const Case& c)
{
    c.name;
}
void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// A temporary folder; names are relative to it unless they start with '/'. A file that cannot be
// read reads as "<missing>", which no test writes.
class TempFolder
{
public:
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return name.startsWith(u'/') ? name : m_dir.filePath(name); }
    QByteArray native(const QString& name) const { return QFile::encodeName(path(name)); }
    bool write(const QString& name, const QByteArray& bytes, mode_t mode = 0) const
    {
        QFile file(path(name));
        const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
        file.close();
        return written && (mode == 0 || ::chmod(native(name).constData(), mode) == 0);
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private:
    QTemporaryDir m_dir;
};

} // namespace trelvick::testsupport
