// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "config/profilereader.h"
#include "convert/conversiontable.h"

#include <QString>

namespace trelvick::config {

inline constexpr int kCodeEntryCapacity = 49;

// The key by which a code section asks for UTF-8 output; matched like any key name, letter case aside.
inline constexpr char16_t kEncodingKey[] = u"Κωδικοποίηση";

// A converter's code section of tq.ini, read into its byte table:
//
//   [Μ2]
//   65=193     ; code 65 becomes 193
//   7=007      ; code 7 stays 7, but has an entry (and so counts as changed)
//
// Keys 0..255 are read in ascending order; the first faulty value (empty, more than 3 characters,
// not all digits, above 255) stops the reading and fails the load, even after good entries.
//
// A section may instead write UTF-8:
//
//   [Μ11]
//   Κωδικοποίηση=UTF-8   ; "UTF-8" or "UTF8", any letter case; any other value fails the load
//   128=913              ; byte 128 becomes U+0391, written as CE 91
//
// Its values are code points 0..1114111 without the surrogates, 1 to 7 digits. A byte without an
// entry is written as itself below 128 and as U+FFFD above, so the output is always valid UTF-8.
//
// Failures, on Side::Config:
//   Fault::EntryMissing   the section is missing or holds none of the keys 0..255;
//   Fault::BadValue       the first faulty value of a byte section (key "150", value as read), or an
//                         encoding value this program does not write (key kEncodingKey);
//   Fault::BadCodePoint   the first faulty value of a UTF-8 section.
base::Expected<convert::ConversionTable> loadCodeSection(const ProfileReader& profile, const QString& section);

} // namespace trelvick::config
