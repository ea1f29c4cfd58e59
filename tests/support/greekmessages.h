// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/catalog.h"

#include <QString>
#include <clocale>
#include <cstdlib>
#include <libintl.h>

namespace trelvick::testsupport {

// Greek messages in this process while it lives, as LANGUAGE=el gives them to the program (the C.UTF-8
// locale, which every system has, lets gettext and the C library's own texts follow LANGUAGE).
class GreekMessages final
{
public:
    GreekMessages()
    {
        ::setenv("LANGUAGE", "el", 1);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        lang::openCatalog(QStringLiteral(TRELVICK_CONVERT_PATH)); // the build folder's catalogues
    }
    ~GreekMessages()
    {
        ::unsetenv("LANGUAGE");
        ::unsetenv("LC_ALL");
        std::setlocale(LC_ALL, "C");
        ::textdomain("messages"); // the C library's default: no catalogue of ours open
    }
    GreekMessages(const GreekMessages&) = delete;
    GreekMessages& operator=(const GreekMessages&) = delete;
};

} // namespace trelvick::testsupport
