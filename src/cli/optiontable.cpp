// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/optiontable.h"

#include "lang/clitexts.h"

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using Arg = OptionSpec::Arg;
using Group = OptionSpec::Group;
using Mode = Options::Mode;
using Value = OptionValue;

namespace {

// The options that make a job over many files of one that converts.
constexpr char kTree[] = "-r, -i, --output-dir, --files-from";

// A row an option, its rules on its first lines, laid out by hand. The help texts are whole sentences
// without line breaks: --help wraps them.
// clang-format off
constexpr OptionSpec kOptions[] = {
    {.name = "from-code", .letter = 'f', .arg = Arg::Required, .mode = Mode::Transcode, .group = Group::Codepages,
     .valueName = {"NAME", "ΟΝΟΜΑ"},
     .help = {"the input's codepage: any single-byte codepage iconv knows, under any of its names (CP737, 737, "
              "IBM737, ISO-8859-7, WINDOWS-1253, KOI8-R...), UTF-8, or auto to guess each file's",
              "η κωδικοσελίδα της εισόδου: όποια κωδικοσελίδα ενός byte ξέρει το iconv, με όποιο όνομά της (CP737, "
              "737, IBM737, ISO-8859-7, WINDOWS-1253, KOI8-R...), UTF-8, ή auto για να μαντευτεί σε κάθε αρχείο"},
     .apply = [](Options& o, const Value& v) { o.fromCode = v.text; }},
    {.name = "to-code", .letter = 't', .arg = Arg::Required, .once = true, .with = "-f", .group = Group::Codepages,
     .valueName = {"NAME", "ΟΝΟΜΑ"},
     .help = {"the output's codepage (UTF-8 unless given)", "η κωδικοσελίδα της εξόδου (UTF-8 αν δεν δοθεί)"},
     .apply = [](Options& o, const Value& v) { o.toCode = v.text; }},
    {.name = "output", .letter = 'o', .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .notWith = "-i, --output-dir", .group = Group::Codepages, .valueName = {"FILE", "ΑΡΧΕΙΟ"},
     .help = {"write to FILE, replaced only once it is whole; several inputs are written one after the other",
              "γράφει στο ΑΡΧΕΙΟ, που αντικαθίσταται μόνο όταν είναι ολόκληρο· πολλές είσοδοι γράφονται η μία μετά "
              "την άλλη"},
     .apply = [](Options& o, const Value& v) { o.output = v.text; }},
    {.name = "eol", .arg = Arg::Required, .values = "keep|lf|crlf", .once = true, .with = "-c, -f",
     .group = Group::Codepages, .valueName = {"KIND", "ΕΙΔΟΣ"},
     .help = {"line ends: keep (as they come; the default with -f), lf, or crlf (LF, CR LF and lone CR each become "
              "CR LF; with -c, its default there, the window's rule: every line ends with CR LF)",
              "αλλαγές γραμμής: keep (όπως έρχονται· με την -f), lf, ή crlf (LF, CR LF και σκέτο CR γίνονται CR LF· "
              "με την -c, όπου είναι η προεπιλογή, ο κανόνας του παραθύρου: κάθε γραμμή τελειώνει με CR LF)"},
     .apply = [](Options& o, const Value& v) { o.lineEnds = LineEnds(v.number); }},
    {.name = "strict", .with = "-f", .group = Group::Codepages,
     .help = {"a character the target lacks fails the file (exit status 1) instead of becoming '?'",
              "ένας χαρακτήρας που λείπει από τον στόχο κάνει το αρχείο να αποτύχει (κατάσταση εξόδου 1) αντί να "
              "γίνει «?»"},
     .apply = [](Options& o, const Value&) { o.strict = true; }},
    {.name = "bom", .arg = Arg::Required, .values = "keep|strip|add", .once = true, .with = "-f",
     .group = Group::Codepages,
     .help = {"with -f, the byte-order mark of what is written in UTF-8: keep it where a file has one (the "
              "default), strip it from every file, or add it to every file, those already in UTF-8 or ASCII too",
              "με την -f, το σήμα σειράς byte σε ό,τι γράφεται σε UTF-8: keep το κρατά όπου ένα αρχείο το έχει "
              "(προεπιλογή), strip το αφαιρεί από κάθε αρχείο, add το προσθέτει σε κάθε αρχείο, και σε όσα είναι "
              "ήδη σε UTF-8 ή ASCII"},
     .apply = [](Options& o, const Value& v) { o.bom = Bom(v.number); }},
    {.name = "list-codepages", .mode = Mode::ListCodepages, .group = Group::Codepages,
     .help = {"print the codepage names -f and -t take", "τυπώνει τα ονόματα κωδικοσελίδων που δέχονται οι -f και -t"}},

    {.name = "recursive", .letter = 'r', .with = "-c, -f", .needs = "--output-dir, -i", .group = Group::ManyFiles,
     .help = {"convert the files of the folders given, and of the folders in them",
              "μετατρέπει τα αρχεία των φακέλων που δόθηκαν και των φακέλων τους"},
     .apply = [](Options& o, const Value&) { o.recursive = true; }},
    {.name = "output-dir", .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .group = Group::ManyFiles, .valueName = {"DIR", "ΦΑΚΕΛΟΣ"},
     .help = {"write each result at the same path under DIR, folders made as needed",
              "γράφει κάθε αποτέλεσμα στην ίδια διαδρομή κάτω από τον ΦΑΚΕΛΟ"},
     .apply = [](Options& o, const Value& v) { o.outputDir = v.text; }},
    {.name = "in-place", .letter = 'i', .with = "-c, -f", .notWith = "--output-dir", .group = Group::ManyFiles,
     .help = {"replace each file with its result", "αντικαθιστά κάθε αρχείο με το αποτέλεσμά του"},
     .apply = [](Options& o, const Value&) { o.inPlace = true; }},
    {.name = "backup", .arg = Arg::Optional, .once = true, .fileName = true, .with = "-i", .group = Group::ManyFiles,
     .valueName = {"SUFFIX", "ΚΑΤΑΛΗΞΗ"},
     .help = {"with -i, keep each original beside it as NAME~ (or NAME SUFFIX)",
              "με την -i, κρατά κάθε αρχικό δίπλα του ως ΟΝΟΜΑ~ (ή ΟΝΟΜΑ ΚΑΤΑΛΗΞΗ)"},
     .apply = [](Options& o, const Value& v) { o.backupSuffix = v.given ? v.text : u"~"_s; }},
    {.name = "files-from", .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .needs = "--output-dir, -i", .group = Group::ManyFiles, .valueName = {"LIST", "ΛΙΣΤΑ"},
     .help = {"take the inputs from the file LIST (\"-\": standard input), one a line",
              "παίρνει τις εισόδους από το αρχείο ΛΙΣΤΑ («-»: τυπική είσοδος), μία ανά γραμμή"},
     .apply = [](Options& o, const Value& v) { o.filesFrom = v.text; }},
    {.name = "null", .letter = '0', .with = "--files-from", .group = Group::ManyFiles,
     .help = {"the names in LIST end with NUL bytes, as find -print0 writes them",
              "τα ονόματα της ΛΙΣΤΑΣ τελειώνουν με byte NUL, όπως τα γράφει η find -print0"},
     .apply = [](Options& o, const Value&) { o.nulSeparated = true; }},
    {.name = "batch", .once = true, .with = "-c, -f", .notWith = "-i, --output-dir, -r, --files-from, -o",
     .group = Group::ManyFiles,
     .help = {"convert each INPUT into INPUT.out beside it; a file that fails is reported and the others are still "
              "converted",
              "κάθε ΕΙΣΟΔΟΣ γίνεται ΕΙΣΟΔΟΣ.out δίπλα της· ένα αρχείο που αποτυγχάνει αναφέρεται και τα υπόλοιπα "
              "μετατρέπονται κανονικά"},
     .apply = [](Options& o, const Value&) { o.batch = true; }},
    {.name = "names", .with = kTree, .group = Group::ManyFiles,
     .help = {"convert file and folder names to UTF-8 too", "μετατρέπει και τα ονόματα αρχείων και φακέλων σε UTF-8"},
     .apply = [](Options& o, const Value&) { o.convertNames = true; }},
    {.name = "names-from", .arg = Arg::Required, .once = true, .with = "-f", .needs = "--names",
     .group = Group::ManyFiles, .valueName = {"NAME", "ΟΝΟΜΑ"},
     .help = {"the codepage of the names (guessed unless given)",
              "η κωδικοσελίδα των ονομάτων (μαντεύεται αν δεν δοθεί)"},
     .apply = [](Options& o, const Value& v) { o.namesFrom = v.text; }},
    {.name = "report", .arg = Arg::Required, .values = "tsv", .once = true, .with = kTree, .group = Group::ManyFiles,
     .help = {"print a line for each file: path, from, to, what happened (converted, copied, unchanged, skipped, "
              "failed), changed, lost, new name, reason",
              "τυπώνει μια γραμμή για κάθε αρχείο: διαδρομή, από, σε, τι έγινε (converted, copied, unchanged, "
              "skipped, failed), αλλαγμένοι, χαμένοι, νέο όνομα, αιτία"},
     .apply = [](Options& o, const Value&) { o.tsvReport = true; }},
    {.name = "jobs", .letter = 'j', .arg = Arg::Required, .values = "1..1024", .once = true, .with = kTree,
     .group = Group::ManyFiles, .valueName = {"N", "N"},
     .help = {"convert N files at a time (one per processor unless given)",
              "μετατρέπει N αρχεία τη φορά (ένα ανά επεξεργαστή αν δεν δοθεί)"},
     .apply = [](Options& o, const Value& v) { o.jobs = v.number; }},
    {.name = "min-confidence", .arg = Arg::Required, .values = "0..100", .once = true, .with = "-f auto",
     .group = Group::ManyFiles, .valueName = {"P", "P"},
     .help = {"with -f auto, leave a file whose guess is less than P % sure (90)",
              "με την -f auto, αφήνει ένα αρχείο που η μαντεψιά του είναι βέβαιη κάτω από P % (90)"},
     .apply = [](Options& o, const Value& v) { o.minConfidence = v.number; }},
    {.name = "fix-mojibake", .with = "-f auto", .group = Group::ManyFiles,
     .help = {"with -f auto, repair UTF-8 that was once read as another codepage and saved again (Î‘Î¸Î®Î½Î± for "
              "Αθήνα)",
              "με την -f auto, επισκευάζει UTF-8 που κάποτε διαβάστηκε ως άλλη κωδικοσελίδα και σώθηκε ξανά "
              "(Î‘Î¸Î®Î½Î± αντί για Αθήνα)"},
     .apply = [](Options& o, const Value&) { o.fixMojibake = true; }},
    {.name = "lossy", .with = kTree, .group = Group::ManyFiles,
     .help = {"convert a file even when it loses characters the target lacks or bytes the source leaves undefined "
              "(else it is left as it is and reported)",
              "μετατρέπει ένα αρχείο ακόμη κι αν χάνει χαρακτήρες που λείπουν από τον στόχο ή byte που η πηγή δεν "
              "ορίζει (αλλιώς μένει όπως είναι και αναφέρεται)"},
     .apply = [](Options& o, const Value&) { o.lossy = true; }},
    {.name = "dry-run", .letter = 'n', .with = "-i, --output-dir, --batch, --undo", .group = Group::ManyFiles,
     .help = {"decide and report everything as a real run would, and change nothing on the disk (with -i, "
              "--output-dir, --batch or --undo)",
              "αποφασίζει και αναφέρει τα πάντα όπως μια κανονική εκτέλεση, χωρίς να αλλάξει τίποτα στον δίσκο (με "
              "την -i, --output-dir, --batch ή --undo)"},
     .apply = [](Options& o, const Value&) { o.dryRun = true; }},
    {.name = "no-preserve", .arg = Arg::Required, .values = "times", .once = true, .with = "-i, --output-dir",
     .group = Group::ManyFiles,
     .help = {"with -i or --output-dir, give each result, and each folder made, the time of the run instead of its "
              "source's modification and access times",
              "με την -i ή την --output-dir, δίνει σε κάθε αποτέλεσμα, και σε κάθε φάκελο που φτιάχνεται, την ώρα "
              "της εκτέλεσης αντί για τους χρόνους τροποποίησης και πρόσβασης της πηγής του"},
     .apply = [](Options& o, const Value&) { o.preserveTimes = false; }},
    {.name = "undo", .arg = Arg::Required, .fileName = true, .mode = Mode::Undo, .group = Group::ManyFiles,
     .valueName = {"REPORT", "ΑΝΑΦΟΡΑ"},
     .help = {"put back what a run in place (-i) changed, from the report it printed with --report=tsv (\"-\": "
              "standard input)",
              "επαναφέρει ό,τι άλλαξε μια εκτέλεση με την -i, από την αναφορά που τύπωσε με την --report=tsv («-»: "
              "τυπική είσοδος)"},
     .apply = [](Options& o, const Value& v) { o.undoReport = v.text; }},

    {.name = "converter", .letter = 'c', .arg = Arg::Required, .mode = Mode::Convert, .group = Group::Converters,
     .valueName = {"CONVERTER", "ΜΕΤΑΤΡΟΠΕΑΣ"},
     .help = {"convert through a converter: its key (Μ3, M3 or 3) or its exact description",
              "μετατρέπει με έναν μετατροπέα: το κλειδί του (Μ3, M3 ή 3) ή την ακριβή περιγραφή του"},
     .apply = [](Options& o, const Value& v) { o.converter = v.text; }},
    {.name = "list", .letter = 'l', .mode = Mode::List, .group = Group::Converters,
     .help = {"print the converters, key and description, one a line",
              "τυπώνει τους μετατροπείς, κλειδί και περιγραφή, έναν ανά γραμμή"}},
    {.name = "show", .arg = Arg::Required, .mode = Mode::Show, .group = Group::Converters,
     .valueName = {"CONVERTER", "ΜΕΤΑΤΡΟΠΕΑΣ"},
     .help = {"print a converter's table, one \"source=target\" line a code (a converter to UTF-8 shows Unicode code "
              "points as targets)",
              "τυπώνει τον πίνακα του μετατροπέα, μία γραμμή «πηγή=στόχος» ανά κωδικό (ο στόχος ενός μετατροπέα σε "
              "UTF-8 είναι σημείο κώδικα Unicode)"},
     .apply = [](Options& o, const Value& v) { o.converter = v.text; }},
    {.name = "config", .arg = Arg::Required, .once = true, .fileName = true, .group = Group::Converters,
     .valueName = {"FILE", "ΑΡΧΕΙΟ"},
     .help = {"read the converters from FILE, not from ~/.config/trelvick/tq.ini or, when that is missing, tq.ini "
              "in the program's folder",
              "οι μετατροπείς από το ΑΡΧΕΙΟ αντί για το ~/.config/trelvick/tq.ini ή, όταν αυτό λείπει, το tq.ini "
              "του φακέλου του προγράμματος"},
     .apply = [](Options& o, const Value& v) { o.configFile = v.text; }},

    {.name = "guess", .arg = Arg::Optional, .values = "name|tsv", .mode = Mode::Guess, .group = Group::Guessing,
     .valueName = {"FORMAT", "ΜΟΡΦΗ"},
     .help = {"name the codepage and the language of each FILE from its first 64 KiB, or when those are ASCII from "
              "its first bytes beyond ASCII, how sure the guess is, and the converters that start from it; one line "
              "per file on standard output, failures too; FORMAT name prints only the codepage's name per line "
              "(\"unknown\" when there is none), tsv the file, name, confidence, runner-up, its confidence, "
              "converters and language, tab-separated; neither format is ever translated",
              "μαντεύει την κωδικοσελίδα και τη γλώσσα κάθε ΑΡΧΕΙΟΥ από τα πρώτα 64 KiB του, ή, όταν αυτά είναι "
              "ASCII, από τα πρώτα byte πέρα από το ASCII, και τυπώνει πόσο βέβαιη είναι η μαντεψιά και ποιοι "
              "μετατροπείς ξεκινούν από αυτήν· μία γραμμή για κάθε αρχείο στην τυπική έξοδο, και για όσα "
              "αποτυγχάνουν· η ΜΟΡΦΗ name τυπώνει μόνο το όνομα της κωδικοσελίδας ανά γραμμή (unknown όταν δεν "
              "βρέθηκε), η tsv αρχείο, όνομα, βεβαιότητα, δεύτερη πιθανή, τη βεβαιότητά της, τους μετατροπείς και "
              "τη γλώσσα, χωρισμένα με tab· οι δύο μορφές δεν μεταφράζονται ποτέ"},
     .apply =
         [](Options& o, const Value& v) {
             if (v.given)
                 o.guessFormat = v.number == 0 ? GuessFormat::Name : GuessFormat::Tsv;
         }},

    {.name = "quiet", .letter = 'q',
     .help = {"print nothing but errors", "τυπώνει μόνο τα λάθη"},
     .apply = [](Options& o, const Value&) { o.quiet = true; }},
    {.name = "help", .letter = 'h', .mode = Mode::Help, .help = {"show this help", "αυτή η βοήθεια"}},
     {.name = "version", .letter = 'V', .mode = Mode::Version, .help = {"show the version", "η έκδοση"}},
};
// clang-format on

// The titles of --help's groups, in their order.
constexpr OptionSpec::Text kGroupTitles[] = {
    {"Codepages by name:", "Κωδικοσελίδες με το όνομά τους:"},
    {"Whole folders and many files (with -f or -c):", "Ολόκληροι φάκελοι και πολλά αρχεία (με την -f ή την -c):"},
    {"Converters of tq.ini:", "Μετατροπείς του tq.ini:"},
    {"Guessing:", "Μαντεψιά:"},
    {},
};

QString inLanguage(const OptionSpec::Text& text, lang::Language language)
{
    return QString::fromUtf8(language == lang::Language::Greek ? text.el : text.en);
}

// "  -f, --from-code=NAME     the input's codepage: ...", the text wrapped under itself.
QString helpRow(const OptionSpec& spec, lang::Language language)
{
    constexpr qsizetype kIndent = 27;
    constexpr qsizetype kWidth = 99;
    QString row = spec.letter ? u"  -"_s + QLatin1Char(spec.letter) + u", --"_s : u"      --"_s;
    row += QLatin1StringView(spec.name);
    if (spec.arg != Arg::None) {
        const QString value =
            spec.valueName.en ? inLanguage(spec.valueName, language) : QString::fromLatin1(spec.values);
        row += spec.arg == Arg::Optional ? u"[="_s + value + u']' : u'=' + value;
    }
    const QString indent(kIndent, u' ');
    row += row.size() < kIndent ? QString(kIndent - row.size(), u' ') : u'\n' + indent;
    qsizetype column = kIndent;
    for (const QString& word : inLanguage(spec.help, language).split(u' ')) {
        if (column > kIndent && column + 1 + word.size() > kWidth) {
            row += u'\n' + indent;
            column = kIndent;
        } else if (column > kIndent) {
            row += u' ';
            ++column;
        }
        row += word;
        column += word.size();
    }
    return row + u'\n';
}

} // namespace

std::span<const OptionSpec> optionTable()
{
    return kOptions;
}

QString optionName(const OptionSpec& spec)
{
    return spec.letter ? u"-"_s + QLatin1Char(spec.letter) : u"--"_s + QLatin1StringView(spec.name);
}

QString helpText(lang::Language language)
{
    QString text = lang::cli::helpStart(language);
    for (int group = 0; group <= int(Group::Common); ++group) {
        text += u'\n';
        if (kGroupTitles[group].en)
            text += inLanguage(kGroupTitles[group], language) + u'\n';
        for (const OptionSpec& spec : kOptions) {
            if (spec.group == Group(group))
                text += helpRow(spec, language);
        }
        if (Group(group) == Group::Guessing)
            text += lang::cli::guessLists(language);
    }
    return text + u'\n' + lang::cli::helpEnd(language);
}

} // namespace trelvick::cli
