// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/configuration.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace trelvick::cli {

// The file operand that stands for standard input or standard output.
inline constexpr QLatin1StringView kStandardStream("-");

struct Options
{
    enum class Mode
    {
        Help,
        Version,
        List,
        Show,
        Convert,
        Guess,
    };
    Mode mode = Mode::Help;
    std::optional<QString> configFile; // empty: the personal tq.ini, else the program folder's
    QString converter;                 // --show or -c
    bool batch = false;
    bool quiet = false;
    QStringList files; // INPUT OUTPUT, the batch inputs, or the files to guess
    // --guess=name: one bare codepage name a line; --guess=tsv: the fields tab-separated. Neither is translated.
    enum class GuessFormat
    {
        Prose,
        Name,
        Tsv,
    };
    GuessFormat guessFormat = GuessFormat::Prose;
};

struct ParsedOptions
{
    Options options;
    QString error; // a usage fault, in the language asked for; empty when the options are good
};

// Reads the arguments (without the program's name). --help and --version win over anything else;
// "--" ends the options, so a file may be called "-x"; "-" is a file operand.
ParsedOptions parseArguments(const QStringList& arguments, lang::Language language);

// Greek when the locale that governs messages (LC_ALL, else LC_MESSAGES, else LANG) is Greek.
lang::Language languageOf(const QString& lcAll, const QString& lcMessages, const QString& lang);

// The index in converters of the one that name picks: its key ("Μ3", "M3", "μ3", "3") or, failing
// that, its exact description. Empty with *ambiguous set when several converters share the description.
std::optional<qsizetype> findConverter(const QList<config::Converter>& converters, const QString& name,
                                       QStringList* ambiguous = nullptr);

} // namespace trelvick::cli
