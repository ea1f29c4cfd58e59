// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "lang/texts.h"

#include <QString>

namespace trelvick::lang {

// The system's description of an errno value (strerror), as the system gives it.
QString systemErrorText(int errnum);

// What an error code says, as a message shows it: the system's text for an errno value, the
// program's own for a fault. Neither names the side or the key; the message around it does.
QString errorText(const std::error_code& code, Language language);
inline QString errorText(const base::Error& error, Language language)
{
    return errorText(error.code, language);
}

} // namespace trelvick::lang
