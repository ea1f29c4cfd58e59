// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/fileops.h"
#include "lang/texts.h"

#include <QString>

namespace trelvick::app {

// The information line for an input file of this size and date: the date in the locale's short
// format, with the time to the second unless it is exactly midnight.
QString inputInfoText(lang::Language language, const files::FileStat& stat);

} // namespace trelvick::app
