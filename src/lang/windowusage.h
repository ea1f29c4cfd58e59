// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// What trelvick, the window program, says on its command line before any window exists: its help,
// its version and its usage errors, in English as its manual page. Each text ends with a newline.
namespace trelvick::lang {

QString windowHelp();
QString windowVersion(); // "trelvick 2001.0009.0012"
// "trelvick: unrecognized option '--x'" and the pointer to --help; the argument escaped.
QString windowUnknownOption(QStringView option);
// "trelvick: extra operand 'x'" and the pointer to --help; the argument escaped.
QString windowExtraOperand(QStringView operand);
// Standard output could not take the answer: the system's reason.
QString windowWriteError(const QString& reason);

} // namespace trelvick::lang
