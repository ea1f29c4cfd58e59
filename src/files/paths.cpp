#include "files/paths.h"

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

} // namespace trelvick::files
