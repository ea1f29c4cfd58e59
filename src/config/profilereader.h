// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace trelvick::config {

// What every read yields for a missing file, section or key.
inline constexpr char16_t kAbsentMarker[] = u"<none>";

// A value counts as absent when it begins with the marker, whether the key was missing or the file
// itself holds "<none>..." as its value.
bool isAbsent(const QString& value);

// No real tq.ini comes near this; a larger file is refused rather than held in memory several times.
inline constexpr qint64 kMaxConfigFileSize = qint64(16) * 1024 * 1024;

// Decodes tq.ini text: windows-1253, or UTF-8 when the bytes carry a UTF-8 byte-order mark or are
// valid UTF-8 with at least one multi-byte sequence (what Linux editors save), or UTF-16 after its
// byte-order mark (FF FE little-endian, FE FF big-endian). A UTF-8 mark followed by bytes that are
// not UTF-8 is a windows-1253 file that an editor prefixed: the mark is dropped and the rest read as
// windows-1253.
QString decodeConfigText(const QByteArray& bytes);

// A private-profile (INI) file, parsed once, answering reads the way the classic profile reader does:
//
//   [Trelvick]            ; names match ignoring letter case, Greek included (ά matches Ά, not Α)
//   Key =  "value"        ; blanks around the value go, then one enclosing pair of quotes
//   Key=other             ; a repeated key (or section) is never seen: the first one wins
//   Other                 ; no "=": reads as missing, and hides any later "Other=..."
//
// A value is cut to the capacity asked for; anything missing reads as "<none>".
class ProfileReader final
{
public:
    ProfileReader() = default;

    // Fails with the errno of the open or the read, or EFBIG for a file over kMaxConfigFileSize,
    // which is not read to its end. The classic reader read such a file like an empty one, where
    // every lookup gives "<none>"; callers that keep that rule use ProfileReader() instead.
    static base::Expected<ProfileReader> fromFile(const QString& path);
    static ProfileReader fromBytes(const QByteArray& bytes);

    // capacity is in characters; the "<none>" default is cut like any value.
    QString read(const QString& section, const QString& key, int capacity) const;

private:
    // Folded key -> value; no value for a key line without "=".
    using Section = QHash<QString, std::optional<QString>>;
    // Folded section name -> its keys; only the first section of a name is kept.
    QHash<QString, Section> m_sections;
};

// Folds a section or key name for comparison: windows-1253 upper-casing (the micro sign is not Mu).
QString foldName(const QString& name);

} // namespace trelvick::config
