#pragma once

#include "config/configuration.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>
#include <optional>

// trelvick-convert: the window's conversion for scripts and pipelines, over the same core.
namespace trelvick::cli {

enum ExitStatus
{
    kDone = 0,
    kConversionFailed = 1,
    kBadUsage = 2, // also a faulty tq.ini or code section
    kNotText = 3,  // --guess: no candidate codepage fits
};

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

// What the process runs in; tests give their own descriptors.
struct Context
{
    QString programFolder;
    QString personalConfigFolder; // a tq.ini there wins over the program folder's
    lang::Language language = lang::Language::English;
    int inputFd = 0;
    int outputFd = 1;
    int errorFd = 2;
    bool errorIsTerminal = false;
};

// Runs the program and returns its exit status.
int run(const QStringList& arguments, const Context& context);

} // namespace trelvick::cli
