// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/texts.h"

#include <QString>
#include <cstdint>

// The command-line programs' messages come from GNU gettext's catalogues (po/, domain "trelvick"):
// the English text is the key, and LANGUAGE, LC_ALL, LC_MESSAGES and LANG choose the language as in
// every GNU tool. The window keeps its own texts (texts.h) and does not use this.
namespace trelvick::lang {

inline constexpr char kTextDomain[] = "trelvick";

// Takes the locale from the environment and binds the catalogue folder (…/share/locale) for
// programFile, the program's own path: the build folder's share/locale when it runs from the build
// folder's bin/, the installed one otherwise; never the working folder.
void openCatalog(const QString& programFile);
// Whether this process opened the catalogue: the command-line programs did, the window did not.
bool catalogOpen();
// The folder where openCatalog looks for the catalogues of programFile.
QString catalogFolder(const QString& programFile);

// A message in the language gettext picked; msgid is the English text, %1.. as QString::arg takes them.
QString tr(const char* msgid);
// The same with a count: one/many as the language has them.
QString trn(const char* singular, const char* plural, std::int64_t count);
// A literal the extractor takes for the catalogue while the code looks it up later (tables).
#define N_(text) text

// The language of the catalogue in use, as its header names it ("el"); empty when the messages are
// the English keys themselves. Greek for "el", English otherwise.
QString catalogLanguage();
Language messageLanguage();

// An integer as the C library's numeric locale writes it: "24.000.000" in Greek, "24,000,000" in
// US English, "24000000" in the C locale. For people only: scripts' formats never use it.
QString number(std::int64_t value);
// A fraction with so many decimals, its decimal point as the same locale writes it: "4,1" in Greek.
QString number(double value, int decimals);

} // namespace trelvick::lang
