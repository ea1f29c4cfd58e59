// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <QString>

namespace trelvick::config {

// Reads the number at the start of text the way the classic BASIC Val() does, then rounds it to a
// 16-bit integer like CInt():
//   blanks, tabs and line feeds are skipped anywhere ("1 2" gives 12);
//   sign, digits, decimal point, exponent with E or D, either case ("1.5D1" gives 15);
//   &H / &O prefixes, either case, for hexadecimal and octal read as plain non-negative integers
//   ("&H0A" gives 10, "&HFFFF" gives 65535 and so lies out of range);
//   reading stops at the first character that cannot continue the number ("3 converters" gives 3);
//   no number at all gives 0; halves go to the even neighbour (2.5 gives 2, 3.5 gives 4).
// Fails with Fault::Overflow when the number lies outside -32768..32767 (or is not finite).
base::Expected<qint16> parseConverterCount(const QString& text);

// The Val() part alone, for tests and callers that need the unrounded number.
double basicVal(const QString& text);

} // namespace trelvick::config
