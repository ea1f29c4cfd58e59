// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/configuration.h"
#include "convert/engine.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace trelvick::cli {

// The file operand that stands for standard input or standard output.
inline constexpr QLatin1StringView kStandardStream("-");
// -f auto: each file's codepage is guessed.
inline constexpr QLatin1StringView kAutoCodepage("auto");

// --eol, in the order of its values.
enum class LineEnds
{
    Keep, // every line end as it came
    Lf,   // CR LF and a lone CR become LF
    CrLf, // every line ends with CR LF, the last one too (the window's rule)
    // What crlf means for -f/-t (never given as such, see Options::effectiveLineEnds): LF, CR LF
    // and a lone CR each become CR LF, and nothing is added at the end.
    CrLfEach,
};

inline convert::LineEnds engineLineEnds(LineEnds ends)
{
    switch (ends) {
    case LineEnds::Keep:
        return convert::LineEnds::Keep;
    case LineEnds::Lf:
        return convert::LineEnds::Lf;
    case LineEnds::CrLfEach:
        return convert::LineEnds::CrLfEach;
    case LineEnds::CrLf:
        break;
    }
    return convert::LineEnds::CrLf;
}

// --bom: the UTF-8 byte-order mark of what is written in UTF-8.
enum class Bom
{
    Keep,  // as the file has it
    Strip, // never
    Add,   // always, the files already in UTF-8 or ASCII too
};

enum class GuessFormat
{
    Prose, // "notes.txt: CP737, 97% sure; ...", in the user's language
    Name,  // one bare name per file
    Tsv,   // file, name, confidence, runner-up, its confidence, converters
};

struct Options
{
    enum class Mode
    {
        Help,
        Version,
        List,
        ListCodepages,
        Show,
        Convert,   // -c: a converter of tq.ini
        Transcode, // -f/-t: codepages by name
        Guess,
        Undo, // --undo REPORT: a run in place put back from its report
    };
    Mode mode = Mode::Help;
    std::optional<QString> configFile; // empty: the personal tq.ini, else the program folder's
    QString converter;                 // --show or -c
    bool batch = false;
    bool quiet = false;
    // -c: INPUT OUTPUT ("-" for a standard stream), or with --batch the inputs. -f/-t: the inputs
    // ("-" when none was given). --guess: the files.
    QStringList files;

    // -f/-t
    QString fromCode; // a codepage name, or "auto"
    QString toCode = QStringLiteral("UTF-8");
    QString output = kStandardStream; // -o, for -f/-t
    std::optional<LineEnds> lineEnds; // --eol; unset: keep for -f/-t, CR LF for -c
    bool strict = false;

    GuessFormat guessFormat = GuessFormat::Prose;

    // -f/-t over whole folders or lists of files
    bool recursive = false;
    std::optional<QString> outputDir;
    bool inPlace = false;
    std::optional<QString> backupSuffix; // --backup, "~" unless given
    std::optional<QString> filesFrom;    // "-" for standard input
    bool nulSeparated = false;
    bool convertNames = false;
    QString namesFrom; // empty: guessed
    bool tsvReport = false;
    int jobs = 0;              // 0: one per processor
    int minConfidence = 90;    // percent, for -f auto
    bool lossy = false;        // convert a file even when characters are lost or replaced
    bool dryRun = false;       // -n: decide and tell everything, change nothing on the disk
    bool preserveTimes = true; // --no-preserve=times turns it off
    Bom bom = Bom::Keep;       // --bom
    bool fixMojibake = false;  // -f auto: UTF-8 read once as another codepage and saved again is repaired
    QString undoReport;        // --undo: the report of the run to put back ("-" for standard input)

    // Whether this is a job over folders or lists of files rather than a stream.
    bool overTree() const { return recursive || outputDir || inPlace || filesFrom; }
    // -c keeps the window's rule; -f/-t, where a lone LF is a line end like any other, makes each
    // line end CR LF.
    LineEnds effectiveLineEnds() const
    {
        if (mode == Mode::Convert)
            return lineEnds.value_or(LineEnds::CrLf);
        const LineEnds given = lineEnds.value_or(LineEnds::Keep);
        return given == LineEnds::CrLf ? LineEnds::CrLfEach : given;
    }
};

struct ParsedOptions
{
    Options options;
    QString error; // a usage fault, in the language of the messages; empty when the options are good
};

// Reads the arguments (without the program's name) with the C library's getopt_long: short options
// may be bundled and carry their value attached ("-cΜ3"), long ones may be shortened as long as
// they stay unambiguous ("--lis") and take their value after "=" or as the next argument, which is
// taken as it is even when it looks like an option ("-o --lis" names the file "--lis"). Operands
// may come among the options; "--" ends the options, so that a file may be called "-x"; "-" is an
// operand. --help and --version win over anything else on the line.
ParsedOptions parseArguments(const QStringList& arguments);

// The index in converters of the one that name picks: its key ("Μ3", "M3", "μ3", "3") or, failing
// that, its exact description. Empty with *ambiguous set when several converters share the description.
std::optional<qsizetype> findConverter(const QList<config::Converter>& converters, const QString& name,
                                       QStringList* ambiguous = nullptr);

} // namespace trelvick::cli
