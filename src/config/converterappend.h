// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>

namespace trelvick::config {

// A converter to add to tq.ini: its description and the lines of its code section, as
// trelvick-maketable prints them ("Κωδικοποίηση=UTF-8", "128=913", ...).
struct NewConverter
{
    QString description;
    QStringList sectionLines;
};

struct AppendedConverter
{
    QByteArray bytes; // the whole file, with the converter in it
    int number = 0;   // its key is converterKey(number)
};

// tq.ini's bytes with converter added as the key after the count: the count raised by one, the line
// "Μn=description" after the last entry of the converter list, and the section [Μn] at the end.
// Everything else keeps its bytes; what is added is written in the file's own encoding (UTF-16 after
// its byte-order mark, UTF-8 when the reader takes the file as UTF-8, else windows-1253) and with its
// first line end. The result is read back before it is returned: the count, every description and
// the new code section must read as intended.
// Failures, on Side::Config: the count's (key kCountKey) as loadConfiguration reports them, a count
// below 0 as Fault::BadValue, and Fault::KeyInUse (key "Μn") when a description or a section of the
// new key is in the file already: the count would show a converter someone hid, or the old entry
// would hide the new one.
base::Expected<AppendedConverter> appendConverter(const QByteArray& file, const NewConverter& converter);

struct AddedConverter
{
    int number = 0;   // its key is converterKey(number)
    QString madeFrom; // the file read: to, or from when to did not exist yet
};

// How long addConverter waits for another program that changes the same file.
inline constexpr std::chrono::seconds kConfigLockPatience(30);

// Adds converter to the tq.ini at to, or, while to does not exist, to a copy of the one at from (a new
// personal tq.ini made from the system's one; from may be to). The whole read-modify-replace runs
// under the lock file beside to ("tq.ini.lock", see files::LockFile), so that two adds at once both
// land, one after the other; the second reads what the first wrote, even where the first made to.
// The result is written beside to under a temporary name first, then renamed into place, so that a
// failure at any point leaves to as it was. A replaced file keeps its mode, owner, ACL and extended
// attributes; a new one is made with mode 0666 under the umask. The file read must be a plain file
// (files::testFile) of at most kMaxConfigFileSize bytes.
// A failure to write to, or to take its lock (base::Fault::LockHeld after kConfigLockPatience, with
// the lock file's name as key), is on Side::Output, the others on Side::Config.
base::Expected<AddedConverter> addConverter(const QString& from, const QString& to, const NewConverter& converter);

} // namespace trelvick::config
