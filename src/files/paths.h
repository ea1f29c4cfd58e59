#pragma once

#include <QString>

namespace trelvick::files {

// "/home/a/b.txt" -> "/home/a/"; "b.txt" -> "".
QString GetFolder(const QString& path);
// "/home/a" -> "/home/a/"; "/" stays "/"; "" -> "/".
QString AddSeparator(const QString& path);
// "/home/a/b.txt" -> "/home/a"; "/b.txt" -> ""; "b.txt" -> "".
QString CutAtSeparator(const QString& path);

} // namespace trelvick::files
