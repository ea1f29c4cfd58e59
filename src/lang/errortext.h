// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "lang/texts.h"

#include <QString>

namespace trelvick::lang {

// The system's description of an errno value (strerror), as the system gives it.
QString systemErrorText(int errnum);
// The same in one language only, in the command-line programs (lang::openCatalog): English untranslated,
// whatever the locale (so the tab-separated report never holds another language); Greek the C
// library's when it has a Greek text, the program's own otherwise. So a message never mixes two
// languages. The window, which opens no catalogue, gets the system's text as the locale gives it.
QString systemErrorText(int errnum, Language language);

// What an error code says, as a message shows it, in the language asked for: the system's text for an
// errno value (systemErrorText(errnum, language)), the program's own for a fault. Neither names the side or the key;
// the message around it does.
QString errorText(const std::error_code& code, Language language);
inline QString errorText(const base::Error& error, Language language)
{
    return errorText(error.code, language);
}

} // namespace trelvick::lang
