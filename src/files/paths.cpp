// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/paths.h"

#include <QDir>

namespace trelvick::files {

namespace {
constexpr QChar kSeparator = u'/';
}

QString GetFolder(const QString& path)
{
    return path.left(path.lastIndexOf(kSeparator) + 1);
}

QString AddSeparator(const QString& path)
{
    return path.endsWith(kSeparator) ? path : path + kSeparator;
}

QString CutAtSeparator(const QString& path)
{
    const qsizetype last = path.lastIndexOf(kSeparator);
    return last < 0 ? QString() : path.left(last);
}

SplitPath splitPath(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {".", path};
    return {slash == 0 ? QByteArray("/") : path.left(slash), path.sliced(slash + 1)};
}

QString resolveInFolder(const QString& folder, const QString& name)
{
    const QString base = AddSeparator(folder);
    const QStringList entries =
        QDir(base).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (entries.contains(name))
        return base + name;
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return base + entry;
    }
    // Nothing listed (or the folder cannot be listed): the file test on this path tells what is wrong.
    return base + name;
}

} // namespace trelvick::files
