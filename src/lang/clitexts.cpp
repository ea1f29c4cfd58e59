// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/clitexts.h"

#include "base/version.h"
#include "lang/escape.h"

namespace trelvick::lang::cli {

using namespace Qt::StringLiterals;

namespace {

bool greek(Language language)
{
    return language == Language::Greek;
}

// Greek texts enclose names in « », English texts in single quotes.
QString quoted(Language language, const QString& name)
{
    return greek(language) ? u"«"_s + name + u"»"_s : u"'"_s + name + u"'"_s;
}

// "tq.ini: [Μ2] 66: " — where a configuration fault lies.
QString place(const QString& file, const QString& section, const QString& key = {})
{
    QString text = file + u": ["_s + section + u']';
    if (!key.isEmpty())
        text += u' ' + key;
    return text + u": "_s;
}

} // namespace

// The parts of --help around the options' rows, which come from trelvick-convert's option table.
constexpr char16_t kGreekHelpStart[] = uR"(Χρήση:
  trelvick-convert [ΕΠΙΛΟΓΗ]... -f ΑΠΟ [-t ΣΕ] [-o ΕΞΟΔΟΣ] [ΕΙΣΟΔΟΣ]...
  trelvick-convert [ΕΠΙΛΟΓΗ]... -c ΜΕΤΑΤΡΟΠΕΑΣ [ΕΙΣΟΔΟΣ [ΕΞΟΔΟΣ]]
  trelvick-convert [ΕΠΙΛΟΓΗ]... (-f ΑΠΟ | -c ΜΕΤΑΤΡΟΠΕΑΣ) --batch ΕΙΣΟΔΟΣ...
  trelvick-convert [ΕΠΙΛΟΓΗ]... (-f ΑΠΟ | -c ΜΕΤΑΤΡΟΠΕΑΣ) [-r] [--files-from=ΛΙΣΤΑ] (--output-dir=ΦΑΚΕΛΟΣ | -i) [ΕΙΣΟΔΟΣ]...
  trelvick-convert [ΕΠΙΛΟΓΗ]... --undo=ΑΝΑΦΟΡΑ
  trelvick-convert [ΕΠΙΛΟΓΗ]... -l | --list-codepages | --show=ΜΕΤΑΤΡΟΠΕΑΣ | --guess[=ΜΟΡΦΗ] ΑΡΧΕΙΟ...

Μετατρέπει την κωδικοσελίδα αρχείων κειμένου 8 bit, ανάμεσα σε κωδικοσελίδες με τα ονόματα που
τους δίνει το iconv (-f, -t) ή με τους μετατροπείς του tq.ini (-c), που βγάζουν τα ίδια byte με
το παράθυρο του Trelvick, αρχείο προς αρχείο ή σε ολόκληρους φακέλους. ΕΙΣΟΔΟΣ «-», ή καμία,
είναι η τυπική είσοδος· ΕΞΟΔΟΣ «-», ή καμία, η τυπική έξοδος.
)";

constexpr char16_t kEnglishHelpStart[] = uR"(Usage:
  trelvick-convert [OPTION]... -f FROM [-t TO] [-o OUTPUT] [INPUT]...
  trelvick-convert [OPTION]... -c CONVERTER [INPUT [OUTPUT]]
  trelvick-convert [OPTION]... (-f FROM | -c CONVERTER) --batch INPUT...
  trelvick-convert [OPTION]... (-f FROM | -c CONVERTER) [-r] [--files-from=LIST] (--output-dir=DIR | -i) [INPUT]...
  trelvick-convert [OPTION]... --undo=REPORT
  trelvick-convert [OPTION]... -l | --list-codepages | --show=CONVERTER | --guess[=FORMAT] FILE...

Converts the codepage of 8-bit text files, between codepages named as iconv names them (-f, -t) or
through the converters of tq.ini (-c), which give the same bytes as the Trelvick window, file by
file or over whole folders. INPUT "-", or none, is standard input; OUTPUT "-", or none, is
standard output.
)";

constexpr char16_t kGreekGuessLists[] =
    uR"(  Κωδικοσελίδες: CP437, CP737, CP775, CP850, CP852, CP855, CP857, CP860, CP861, CP862,
    CP863, CP865, CP866, CP869, CP1125, CP1250, CP1251, CP1252, CP1253, CP1254, CP1255,
    CP1256, CP1257, ISO-8859-1, ISO-8859-2, ISO-8859-3, ISO-8859-4, ISO-8859-5, ISO-8859-6,
    ISO-8859-7, ISO-8859-8, ISO-8859-9, ISO-8859-10, ISO-8859-13, ISO-8859-14, ISO-8859-15,
    ISO-8859-16, KOI8-R, KOI8-U, MACINTOSH, MAC-CENTRALEUROPE, MAC-CYRILLIC, ASCII, UTF-8,
    και μετά από σήμα σειράς byte UTF-16LE, UTF-16BE, UTF-32LE, UTF-32BE
  Γλώσσες: αγγλικά, ελληνικά, γερμανικά, γαλλικά, ισπανικά, ιταλικά, πορτογαλικά, ολλανδικά,
    σουηδικά, δανικά, νορβηγικά, φινλανδικά, πολωνικά, τσεχικά, σλοβακικά, ουγγρικά,
    ρουμανικά, κροατικά, σλοβενικά, σερβικά, ρωσικά, ουκρανικά, βουλγαρικά, τουρκικά,
    λιθουανικά, λετονικά, εσθονικά, εβραϊκά, αραβικά
)";

constexpr char16_t kEnglishGuessLists[] =
    uR"(  Codepages: CP437, CP737, CP775, CP850, CP852, CP855, CP857, CP860, CP861, CP862, CP863,
    CP865, CP866, CP869, CP1125, CP1250, CP1251, CP1252, CP1253, CP1254, CP1255, CP1256,
    CP1257, ISO-8859-1, ISO-8859-2, ISO-8859-3, ISO-8859-4, ISO-8859-5, ISO-8859-6,
    ISO-8859-7, ISO-8859-8, ISO-8859-9, ISO-8859-10, ISO-8859-13, ISO-8859-14, ISO-8859-15,
    ISO-8859-16, KOI8-R, KOI8-U, MACINTOSH, MAC-CENTRALEUROPE, MAC-CYRILLIC, ASCII, UTF-8,
    and after a byte-order mark UTF-16LE, UTF-16BE, UTF-32LE, UTF-32BE
  Languages: English, Greek, German, French, Spanish, Italian, Portuguese, Dutch, Swedish,
    Danish, Norwegian, Finnish, Polish, Czech, Slovak, Hungarian, Romanian, Croatian,
    Slovenian, Serbian, Russian, Ukrainian, Bulgarian, Turkish, Lithuanian, Latvian, Estonian,
    Hebrew, Arabic
)";

constexpr char16_t kGreekHelpEnd[] = uR"(Τα πλήθη αλλαγμένων και χαμένων χαρακτήρων γράφονται στην τυπική έξοδο λαθών.

Κατάσταση εξόδου: 0 επιτυχία, 1 μια μετατροπή απέτυχε (ή είσοδος και έξοδος είναι το ίδιο αρχείο,
ή χάθηκε χαρακτήρας, με τη --strict, ή σε φακέλους ένα αρχείο αφέθηκε λόγω αβεβαιότητας ή το νέο
όνομά του ήταν πιασμένο), 2 λάθος χρήση ή λανθασμένο tq.ini· με τη --guess, 1 ένα αρχείο δεν
διαβάστηκε, 3 ένα αρχείο δεν είναι κείμενο σε γνωστή κωδικοσελίδα.
)";

constexpr char16_t kEnglishHelpEnd[] = uR"(Counts of changed and lost characters go to standard error.

Exit status: 0 done, 1 a conversion failed (or input and output are the same file, or a character
was lost, with --strict, or over folders a file was left for doubt or its new name was taken),
2 bad usage or a faulty tq.ini; with --guess, 1 a file could not be read, 3 a file is not text in
a known codepage.
)";

QString helpStart(Language language)
{
    return QString::fromUtf16(greek(language) ? kGreekHelpStart : kEnglishHelpStart);
}

QString guessLists(Language language)
{
    return QString::fromUtf16(greek(language) ? kGreekGuessLists : kEnglishGuessLists);
}

QString helpEnd(Language language)
{
    return QString::fromUtf16(greek(language) ? kGreekHelpEnd : kEnglishHelpEnd);
}

QString version()
{
    return u"trelvick-convert "_s + QString::fromLatin1(base::kDisplayVersion);
}

QString tryHelp(Language language)
{
    return greek(language) ? u"Δείτε «trelvick-convert --help»."_s : u"Try 'trelvick-convert --help'."_s;
}

QString standardInput(Language language)
{
    return greek(language) ? u"(τυπική είσοδος)"_s : u"(standard input)"_s;
}

QString standardOutput(Language language)
{
    return greek(language) ? u"(τυπική έξοδος)"_s : u"(standard output)"_s;
}

QString unknownOption(Language language, const QString& option)
{
    return greek(language) ? u"άγνωστη επιλογή "_s + quoted(language, option)
                           : u"unknown option "_s + quoted(language, option);
}

QString missingValue(Language language, const QString& option)
{
    return greek(language) ? u"η επιλογή "_s + quoted(language, option) + u" θέλει μια τιμή"_s
                           : u"option "_s + quoted(language, option) + u" needs a value"_s;
}

QString repeatedOption(Language language, const QString& option)
{
    return greek(language) ? u"η επιλογή "_s + quoted(language, option) + u" δόθηκε δύο φορές"_s
                           : u"option "_s + quoted(language, option) + u" is given twice"_s;
}

namespace {

// "A, B and C" / "A, B και C".
QString listed(Language language, const QStringList& items)
{
    const QString last = items.isEmpty() ? QString() : items.back();
    if (items.size() < 2)
        return last;
    return items.first(items.size() - 1).join(u", "_s) + (greek(language) ? u" και "_s : u" and "_s) + last;
}

} // namespace

QString noMode(Language language, const QStringList& modes)
{
    return greek(language) ? u"χρειάζεται μία από τις "_s + listed(language, modes)
                           : u"one of "_s + listed(language, modes) + u" is needed"_s;
}

QString twoModes(Language language, const QStringList& modes)
{
    return greek(language) ? u"μόνο μία από τις "_s + listed(language, modes)
                           : u"only one of "_s + listed(language, modes);
}

QString unexpectedOperand(Language language, const QString& operand)
{
    return greek(language) ? u"περιττό όρισμα "_s + quoted(language, operand)
                           : u"unexpected operand "_s + quoted(language, operand);
}

QString wrongFileCount(Language language)
{
    return greek(language) ? u"η -c θέλει το πολύ ένα αρχείο εισόδου και ένα αρχείο εξόδου (ή την -o)"_s
                           : u"-c takes at most one input file and one output file (or -o)"_s;
}

QString noBatchInput(Language language)
{
    return greek(language) ? u"η --batch θέλει τουλάχιστον ένα αρχείο εισόδου"_s
                           : u"--batch needs at least one input file"_s;
}

QString standardInputRefused(Language language, const QString& option)
{
    return greek(language) ? u"η "_s + option + u" δεν δέχεται «-»: κάθε αρχείο εισόδου χρειάζεται όνομα"_s
                           : option + u" takes no '-': each input file needs a name"_s;
}

QString noGuessInput(Language language)
{
    return greek(language) ? u"η --guess θέλει τουλάχιστον ένα αρχείο"_s : u"--guess needs at least one file"_s;
}

QString takesNoValue(Language language, const QString& option)
{
    return greek(language) ? u"η επιλογή "_s + quoted(language, option) + u" δεν παίρνει τιμή"_s
                           : u"option "_s + quoted(language, option) + u" takes no value"_s;
}

QString ambiguousOption(Language language, const QString& option, const QString& candidates)
{
    return greek(language) ? u"η επιλογή "_s + quoted(language, option) + u" είναι διφορούμενη: "_s + candidates
                           : u"option "_s + quoted(language, option) + u" is ambiguous: "_s + candidates;
}

QString badValue(Language language, const QString& option, const QString& value, const QString& allowed)
{
    return greek(language)
               ? u"η "_s + quoted(language, value) + u" δεν είναι τιμή της "_s + quoted(language, option) + u": "_s +
                     allowed
               : quoted(language, value) + u" is not a value of "_s + quoted(language, option) + u": "_s + allowed;
}

QString goesWith(Language language, const QString& option, const QString& others)
{
    return greek(language) ? u"η "_s + option + u" πάει μόνο με "_s + others
                           : option + u" goes with "_s + others + u" only"_s;
}

QString notTogether(Language language, const QString& option, const QString& other)
{
    return greek(language) ? u"οι "_s + option + u" και "_s + other + u" δεν πάνε μαζί"_s
                           : option + u" and "_s + other + u" cannot be used together"_s;
}

QString needsOneOf(Language language, const QString& option, const QStringList& others)
{
    return greek(language) ? u"η "_s + option + u" θέλει την "_s + others.join(u" ή την "_s)
                           : option + u" needs "_s + others.join(u" or "_s);
}

QString noTreeInput(Language language)
{
    return greek(language) ? u"δεν δόθηκαν αρχεία ή φάκελοι ούτε --files-from"_s
                           : u"no files or folders given, and no --files-from"_s;
}

QString unknownConverter(Language language, const QString& name)
{
    return greek(language) ? u"δεν υπάρχει μετατροπέας "_s + quoted(language, name) + u" (δείτε --list)"_s
                           : u"no converter "_s + quoted(language, name) + u" (see --list)"_s;
}

QString ambiguousConverter(Language language, const QString& name, const QString& keys)
{
    return greek(language)
               ? u"την περιγραφή "_s + quoted(language, name) + u" έχουν οι μετατροπείς "_s + keys +
                     u": δώστε το κλειδί"_s
               : u"converters "_s + keys + u" share the description "_s + quoted(language, name) + u": give the key"_s;
}

QString sameFile(Language language, const QString& input, const QString& output)
{
    return greek(language) ? u"η είσοδος "_s + quoted(language, input) + u" και η έξοδος "_s +
                                 quoted(language, output) + u" είναι το ίδιο αρχείο"_s
                           : u"input "_s + quoted(language, input) + u" and output "_s + quoted(language, output) +
                                 u" are the same file"_s;
}

QString outputIsAnotherInput(Language language, const QString& input, const QString& output)
{
    return greek(language) ? u"η είσοδος "_s + quoted(language, input) + u" δεν μετατράπηκε: η έξοδός της "_s +
                                 quoted(language, output) + u" είναι επίσης είσοδος"_s
                           : u"input "_s + quoted(language, input) + u" not converted: its output "_s +
                                 quoted(language, output) + u" is an input too"_s;
}

QString sharedOutput(Language language, const QString& input, const QString& output, const QString& other)
{
    return greek(language) ? u"η είσοδος "_s + quoted(language, input) + u" δεν μετατράπηκε: η έξοδός της "_s +
                                 quoted(language, output) + u" είναι και έξοδος της "_s + quoted(language, other)
                           : u"input "_s + quoted(language, input) + u" not converted: its output "_s +
                                 quoted(language, output) + u" is also the output of "_s + quoted(language, other);
}

QString repeatedInput(Language language, const QString& input, const QString& first)
{
    return greek(language) ? u"η είσοδος "_s + quoted(language, input) + u" είναι το ίδιο αρχείο με την "_s +
                                 quoted(language, first) + u": μετατρέπεται μία φορά"_s
                           : u"input "_s + quoted(language, input) + u" is the same file as "_s +
                                 quoted(language, first) + u": converted once"_s;
}

QString emptyFileName(Language language, const QString& option)
{
    if (option.isEmpty())
        return greek(language) ? u"ένα όνομα αρχείου είναι κενό"_s : u"a file name is empty"_s;
    return greek(language) ? u"το όνομα αρχείου της "_s + quoted(language, option) + u" είναι κενό"_s
                           : u"the file name of "_s + quoted(language, option) + u" is empty"_s;
}

QString missingConfig(Language language, const QString& file)
{
    return greek(language) ? file + u": δεν υπάρχει το αρχείο ρυθμίσεων"_s : file + u": no such configuration file"_s;
}

QString configTestFailed(Language language, const QString& file, const QString& error)
{
    return greek(language) ? file + u": το αρχείο ρυθμίσεων δεν ελέγχεται: "_s + error
                           : file + u": the configuration file cannot be checked: "_s + error;
}

QString configUnreadable(Language language, const QString& file, const QString& error)
{
    return greek(language) ? file + u": το αρχείο ρυθμίσεων δεν διαβάζεται: "_s + error
                           : file + u": the configuration file cannot be read: "_s + error;
}

QString configIsFolder(Language language, const QString& file)
{
    return greek(language) ? file + u": είναι φάκελος, όχι αρχείο ρυθμίσεων"_s
                           : file + u": is a folder, not a configuration file"_s;
}

QString configNotRegular(Language language, const QString& file)
{
    return greek(language) ? file + u": δεν είναι κανονικό αρχείο (είναι FIFO, συσκευή ή υποδοχή) "
                                    u"και δεν διαβάζεται ως αρχείο ρυθμίσεων"_s
                           : file + u": not a regular file (a FIFO, a device or a socket), "
                                    u"so not read as the configuration file"_s;
}

QString configHidden(Language language, const QString& file)
{
    return greek(language)
               ? file + u": κρυφό αρχείο (το όνομά του αρχίζει με «.») και δεν διαβάζεται ως αρχείο ρυθμίσεων"_s
               : file + u": a hidden file (its name begins with '.'), so not read as the configuration file"_s;
}

QString configTooLarge(Language language, const QString& file, qint64 limit)
{
    const QString mebibytes = QString::number(limit / (1024 * 1024));
    return greek(language) ? file + u": το αρχείο ρυθμίσεων ξεπερνά τα "_s + mebibytes + u" MiB"_s
                           : file + u": the configuration file is larger than "_s + mebibytes + u" MiB"_s;
}

QString missingEntry(Language language, const QString& file, const QString& section, const QString& key)
{
    return place(file, section, key) + (greek(language) ? u"η εγγραφή λείπει"_s : u"the entry is missing"_s);
}

QString badCount(Language language, const QString& file, const QString& section, const QString& key,
                 const QString& value)
{
    return place(file, section, key) +
           (greek(language) ? u"η τιμή "_s + quoted(language, value) + u" δεν είναι πλήθος από 1 και πάνω"_s
                            : u"value "_s + quoted(language, value) + u" is not a count of 1 or more"_s);
}

QString countOutOfRange(Language language, const QString& file, const QString& section, const QString& key,
                        const QString& value)
{
    return place(file, section, key) +
           (greek(language) ? u"η τιμή "_s + quoted(language, value) + u" βγαίνει έξω από -32768..32767"_s
                            : u"value "_s + quoted(language, value) + u" lies outside -32768..32767"_s);
}

QString programEntryFailed(Language language, const QString& file, const QString& section, const QString& key,
                           const QString& value, const QString& error)
{
    return place(file, section, key) + (greek(language)
                                            ? u"η διαδρομή "_s + quoted(language, value) + u" δεν ελέγχεται: "_s + error
                                            : u"path "_s + quoted(language, value) + u" cannot be checked: "_s + error);
}

QString noConverter(Language language, const QString& file, const QString& section, const QString& lastKey)
{
    return place(file, section) + (greek(language) ? u"καμία περιγραφή για τα κλειδιά Μ1.."_s + lastKey
                                                   : u"no description for the keys Μ1.."_s + lastKey);
}

QString noCodeEntries(Language language, const QString& file, const QString& section)
{
    return place(file, section) + (greek(language) ? u"η ενότητα λείπει ή δεν έχει κανένα από τα κλειδιά 0..255"_s
                                                   : u"the section is missing or holds none of the keys 0..255"_s);
}

QString faultyCode(Language language, const QString& file, const QString& section, const QString& key,
                   const QString& value, int highest)
{
    const QString range = u"0.."_s + QString::number(highest);
    return place(file, section, key) + (greek(language)
                                            ? u"η τιμή "_s + quoted(language, value) + u" δεν είναι κωδικός "_s + range
                                            : u"value "_s + quoted(language, value) + u" is not a code "_s + range);
}

QString faultyEncoding(Language language, const QString& file, const QString& section, const QString& key,
                       const QString& value)
{
    return place(file, section, key) + (greek(language) ? u"η τιμή "_s + quoted(language, value) + u" δεν είναι UTF-8"_s
                                                        : u"value "_s + quoted(language, value) + u" is not UTF-8"_s);
}

QString fileFailure(const QString& file, const QString& error)
{
    return file + u": "_s + error;
}

QString changedCount(Language language, const QString& input, const QString& output, std::int64_t changed)
{
    const QString files = input + u" -> "_s + output + u": "_s;
    const QString count = QString::number(changed);
    if (greek(language))
        return files + (changed == 1 ? u"άλλαξε 1 χαρακτήρας"_s : u"άλλαξαν "_s + count + u" χαρακτήρες"_s);
    return files + count + (changed == 1 ? u" character changed"_s : u" characters changed"_s);
}

QString otherNamesKeepOldText(Language language, const QString& output, std::int64_t count)
{
    const QString number = QString::number(count);
    if (greek(language))
        return quoted(language, output) +
               (count == 1 ? u": το άλλο του όνομα (σκληρός σύνδεσμος) κρατά το παλιό κείμενο"_s
                           : u": τα άλλα "_s + number + u" ονόματά του (σκληροί σύνδεσμοι) κρατούν το παλιό κείμενο"_s);
    return quoted(language, output) + (count == 1
                                           ? u": its other name (a hard link) keeps the old text"_s
                                           : u": its "_s + number + u" other names (hard links) keep the old text"_s);
}

QString batchFailures(Language language, std::int64_t failed, std::int64_t count)
{
    const QString ofCount = QString::number(failed) + u'/' + QString::number(count);
    return greek(language) ? u"απέτυχαν "_s + ofCount + u" αρχεία"_s : ofCount + u" files failed"_s;
}

int percent(double confidence)
{
    return static_cast<int>(confidence * 100);
}

// The guess's language names in Greek, by their English names.
QString greekLanguageName(const QString& english)
{
    static const std::pair<QStringView, QStringView> kNames[] = {
        {u"English", u"αγγλικά"},        {u"Greek", u"ελληνικά"},       {u"German", u"γερμανικά"},
        {u"French", u"γαλλικά"},         {u"Spanish", u"ισπανικά"},     {u"Italian", u"ιταλικά"},
        {u"Portuguese", u"πορτογαλικά"}, {u"Dutch", u"ολλανδικά"},      {u"Swedish", u"σουηδικά"},
        {u"Danish", u"δανικά"},          {u"Norwegian", u"νορβηγικά"},  {u"Finnish", u"φινλανδικά"},
        {u"Polish", u"πολωνικά"},        {u"Czech", u"τσεχικά"},        {u"Slovak", u"σλοβακικά"},
        {u"Hungarian", u"ουγγρικά"},     {u"Romanian", u"ρουμανικά"},   {u"Croatian", u"κροατικά"},
        {u"Slovenian", u"σλοβενικά"},    {u"Serbian", u"σερβικά"},      {u"Russian", u"ρωσικά"},
        {u"Ukrainian", u"ουκρανικά"},    {u"Bulgarian", u"βουλγαρικά"}, {u"Turkish", u"τουρκικά"},
        {u"Lithuanian", u"λιθουανικά"},  {u"Latvian", u"λετονικά"},     {u"Estonian", u"εσθονικά"},
        {u"Hebrew", u"εβραϊκά"},         {u"Arabic", u"αραβικά"}};
    for (const auto& [englishName, greekName] : kNames) {
        if (english == englishName)
            return greekName.toString();
    }
    return english;
}

// "CP737 (Greek)", "UTF-8, double-encoded through CP1253".
QString guessedName(Language language, const GuessedEncoding& encoding)
{
    QString text = encoding.name;
    if (!encoding.language.isEmpty())
        text += u" ("_s + (greek(language) ? greekLanguageName(encoding.language) : encoding.language) + u')';
    if (!encoding.doubleEncodedThrough.isEmpty())
        text += (greek(language) ? u", κωδικοποιημένο διπλά μέσω "_s : u", double-encoded through "_s) +
                encoding.doubleEncodedThrough;
    return text;
}

QString guessed(Language language, const QString& file, const GuessedEncoding& best,
                const std::optional<GuessedEncoding>& runnerUp, const QStringList& converterKeys)
{
    auto shown = [](double confidence) { return QString::number(percent(confidence)) + u'%'; };
    QString text = file + u": "_s + guessedName(language, best) + u", "_s;
    if (greek(language)) {
        text += u"βεβαιότητα "_s + shown(best.confidence);
        if (runnerUp)
            text += u"· δεύτερη πιθανή "_s + guessedName(language, *runnerUp) + u", "_s + shown(runnerUp->confidence) +
                    (runnerUp->readsAlike ? u", που το διαβάζει το ίδιο"_s : QString());
        return text + (converterKeys.isEmpty() ? u"· κανένας μετατροπέας δεν ξεκινά από "_s + best.name
                                               : u"· μετατροπείς: "_s + converterKeys.join(u", "_s));
    }
    text += shown(best.confidence) + u" sure"_s;
    if (runnerUp)
        text += u"; runner-up "_s + guessedName(language, *runnerUp) + u", "_s + shown(runnerUp->confidence) +
                (runnerUp->readsAlike ? u", which reads it the same"_s : QString());
    return text + (converterKeys.isEmpty() ? u"; no converter starts from "_s + best.name
                                           : u"; converters: "_s + converterKeys.join(u", "_s));
}

QString notText(Language language, const QString& file)
{
    return file +
           (greek(language) ? u": δεν είναι κείμενο σε γνωστή κωδικοσελίδα"_s : u": not text in a known codepage"_s);
}

QString notRead(Language language, const QString& file)
{
    return file + (greek(language) ? u": δεν διαβάστηκε"_s : u": could not be read"_s);
}

// The codepage form (-f/-t).

QString codepageRefused(Language language, const QString& option, const QString& name, const QString& reason,
                        bool listHint)
{
    if (greek(language))
        return option + u' ' + quoted(language, name) + u": "_s + reason +
               (listHint ? u" (η trelvick-convert --list-codepages δίνει τα ονόματα)"_s : QString());
    return option + u' ' + quoted(language, name) + u": "_s + reason +
           (listHint ? u" (trelvick-convert --list-codepages lists the names)"_s : QString());
}

QString lostCount(Language language, const QString& files, std::int64_t lost, const QString& target)
{
    const QString count = QString::number(lost);
    if (greek(language))
        return files + u": "_s +
               (lost == 1 ? u"1 χαρακτήρας δεν έχει αντίστοιχο στην "_s + target + u" και έγινε «?»"_s
                          : count + u" χαρακτήρες δεν έχουν αντίστοιχο στην "_s + target + u" και έγιναν «?»"_s);
    return files + u": "_s +
           (lost == 1 ? u"1 character has no equivalent in "_s + target + u" and became '?'"_s
                      : count + u" characters have no equivalent in "_s + target + u" and became '?'"_s);
}

QString invalidCount(Language language, const QString& files, std::int64_t invalid, const QString& source, bool toUtf8)
{
    const QString count = QString::number(invalid);
    const QString mark = toUtf8 ? u"U+FFFD"_s : (greek(language) ? u"«?»"_s : u"'?'"_s);
    if (greek(language))
        return files + u": "_s +
               (invalid == 1 ? u"1 byte δεν είναι χαρακτήρας της "_s + source + u" και έγινε "_s
                             : count + u" byte δεν είναι χαρακτήρες της "_s + source + u" και έγιναν "_s) +
               mark;
    return files + u": "_s +
           (invalid == 1 ? u"1 byte is no character of "_s + source + u" and became "_s
                         : count + u" bytes are no character of "_s + source + u" and became "_s) +
           mark;
}

QString autoNeedsFiles(Language language)
{
    return greek(language) ? u"η -f auto μαντεύει αρχεία με όνομα, όχι την τυπική είσοδο"_s
                           : u"-f auto guesses named files, not standard input"_s;
}

QString autoOneOutput(Language language)
{
    return greek(language) ? u"με την -f auto, πολλά αρχεία γράφονται μόνο στην τυπική έξοδο ή με την --output-dir"_s
                           : u"with -f auto, several files go only to standard output or to --output-dir"_s;
}

QString autoInDoubt(Language language, const QString& file, const QString& best, const QString& runnerUp, int percent,
                    int least)
{
    const QString names = runnerUp.isEmpty() ? best : best + (greek(language) ? u" ή "_s : u" or "_s) + runnerUp;
    if (greek(language))
        return file + u": μένει όπως είναι: "_s + names + u", βεβαιότητα μόνο "_s + QString::number(percent) +
               u"% (--min-confidence "_s + QString::number(least) + u')';
    return file + u": left as it is: "_s + names + u", only "_s + QString::number(percent) +
           u"% sure (--min-confidence "_s + QString::number(least) + u')';
}

QString notSingleByteGuess(Language language, const QString& file, const QString& name)
{
    return greek(language) ? file + u": είναι "_s + name + u", που η -f auto δεν μετατρέπει"_s
                           : file + u": is "_s + name + u", which -f auto does not convert"_s;
}

// --- whole folders ---------------------------------------------------------------------------------

QString outputDirInsideInput(Language language, const QString& folder)
{
    return greek(language) ? u"ο φάκελος εξόδου "_s + quoted(language, folder) + u" βρίσκεται μέσα σε φάκελο εισόδου"_s
                           : u"output folder "_s + quoted(language, folder) + u" lies inside an input folder"_s;
}

QString notTextReason(Language language)
{
    return greek(language) ? u"δεν είναι κείμενο"_s : u"not text"_s;
}

QString symbolicLinkReason(Language language)
{
    return greek(language) ? u"συμβολικός σύνδεσμος: δεν ακολουθείται"_s : u"symbolic link: not followed"_s;
}

QString specialFileReason(Language language)
{
    return greek(language) ? u"συσκευή, FIFO ή υποδοχή: δεν ανοίγεται"_s : u"device, FIFO or socket: not opened"_s;
}

QString sameFileAs(Language language, const QString& first)
{
    return greek(language) ? u"το ίδιο αρχείο με το "_s + quoted(language, first)
                           : u"same file as "_s + quoted(language, first);
}

QString codepageInDoubt(Language language, const QString& candidates)
{
    return greek(language) ? u"αβέβαιη κωδικοσελίδα: "_s + candidates : u"codepage in doubt: "_s + candidates;
}

QString backupReason(Language language)
{
    return greek(language) ? u"αντίγραφο ασφαλείας"_s : u"a backup"_s;
}

QString nameTaken(Language language, const QString& name)
{
    return greek(language) ? u"το όνομα "_s + quoted(language, name) + u" είναι πιασμένο"_s
                           : u"name "_s + quoted(language, name) + u" is taken"_s;
}

QString backupFailed(Language language, const QString& backup, const QString& reason)
{
    return (greek(language) ? u"αντίγραφο "_s : u"backup "_s) + quoted(language, backup) + u": "_s + reason;
}

QString renameFailed(Language language, const QString& name, const QString& reason)
{
    return (greek(language) ? u"μετονομασία σε "_s : u"rename to "_s) + quoted(language, name) + u": "_s + reason;
}

QString wouldLose(Language language, std::int64_t count)
{
    if (greek(language))
        return QString::number(count) + (count == 1 ? u" byte θα χανόταν"_s : u" bytes θα χάνονταν"_s) +
               u" (--lossy για μετατροπή παρ' όλα αυτά)"_s;
    return QString::number(count) + (count == 1 ? u" byte would be lost"_s : u" bytes would be lost"_s);
}

QString wouldOverwrite(Language language, const QString& first)
{
    return greek(language)
               ? u"θα έγραφε πάνω σε αποτέλεσμα αυτής της εκτέλεσης (από το "_s + quoted(language, first) + u')'
               : u"would overwrite a result of this run (from "_s + quoted(language, first) + u')';
}

QString noConversionReason(Language language, const QString& codepage, const QString& reason)
{
    return (greek(language) ? u"καμία μετατροπή από "_s : u"no conversion from "_s) + codepage + u": "_s + reason;
}

QString nameInDoubt(Language language, const QString& candidates)
{
    return greek(language) ? u"όνομα σε αβέβαιη κωδικοσελίδα: "_s + candidates : u"name in doubt: "_s + candidates;
}

QString doubleEncoded(Language language, const QString& codepage, bool repaired)
{
    if (greek(language))
        return u"UTF-8 κωδικοποιημένο δύο φορές μέσω "_s + codepage +
               (repaired ? u": διορθώθηκε"_s : u" (το διορθώνει η --fix-mojibake)"_s);
    return u"UTF-8 double-encoded through "_s + codepage +
           (repaired ? u": repaired"_s : u" (--fix-mojibake repairs it)"_s);
}

QString notAReport(Language language, const QString& file, const QString& line)
{
    return greek(language) ? file + u": η γραμμή "_s + line + u" δεν είναι γραμμή αναφοράς του --report=tsv"_s
                           : file + u": line "_s + line + u" is no line of a --report=tsv report"_s;
}

QString restored(Language language, const QString& file, bool wouldBe)
{
    if (greek(language))
        return file + (wouldBe ? u": θα επανερχόταν από το αντίγραφό του"_s : u": επανήλθε από το αντίγραφό του"_s);
    return file + (wouldBe ? u": would be restored from its backup"_s : u": restored from its backup"_s);
}

QString renamedBack(Language language, const QString& from, const QString& to, bool wouldBe)
{
    if (greek(language))
        return from + (wouldBe ? u": θα ξαναγινόταν "_s : u": ξανάγινε "_s) + quoted(language, to);
    return from + (wouldBe ? u": would be renamed back to "_s : u": renamed back to "_s) + quoted(language, to);
}

QString changedSinceRun(Language language)
{
    return greek(language) ? u"άλλαξε από την εκτέλεση: έμεινε ως έχει"_s : u"changed since the run: left as it is"_s;
}

QString noBackupToRestore(Language language)
{
    return greek(language) ? u"μετατράπηκε χωρίς αντίγραφο (--backup): έμεινε ως έχει"_s
                           : u"converted without a backup (--backup): left as it is"_s;
}

QString undoSummary(Language language, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed)
{
    const auto n = [](std::int64_t count) { return QString::number(count); };
    if (greek(language))
        return u"αναίρεση: "_s + n(restored) + u" επανήλθαν, "_s + n(renamed) + u" μετονομάστηκαν πίσω, "_s + n(left) +
               u" έμειναν, "_s + n(failed) + u" απέτυχαν"_s;
    return u"undo: "_s + n(restored) + u" restored, "_s + n(renamed) + u" renamed back, "_s + n(left) + u" left, "_s +
           n(failed) + u" failed"_s;
}

QString userSkipped(Language language)
{
    return greek(language) ? u"παραλείφθηκε κατ' επιλογή"_s : u"left as chosen"_s;
}

QString nameInvalid(Language language)
{
    return greek(language) ? u"το όνομα δεν διαβάζεται ως όνομα αρχείου"_s : u"name does not read as a file name"_s;
}

QString nameTooLong(Language language, const QString& name)
{
    return greek(language) ? u"το νέο όνομα "_s + quoted(language, name) + u" είναι πολύ μακρύ"_s
                           : u"new name "_s + quoted(language, name) + u" is too long"_s;
}

QString listTooLarge(Language language, const QString& list, std::int64_t bytes, qsizetype names)
{
    return greek(language) ? list + u": η λίστα ξεπερνά τα "_s + QString::number(bytes) + u" bytes ή τα "_s +
                                 QString::number(names) + u" ονόματα"_s
                           : list + u": the list holds more than "_s + QString::number(bytes) + u" bytes or "_s +
                                 QString::number(names) + u" names"_s;
}

namespace {

QString countsText(Language language, const TreeCounts& c, bool folders)
{
    const auto n = [](std::int64_t count) { return QString::number(count); };
    if (greek(language))
        return n(c.files) + (folders ? u" φάκελοι: "_s : u" αρχεία: "_s) + n(c.converted) + u" μετατράπηκαν, "_s +
               n(c.copied) + u" αντιγράφηκαν, "_s + n(c.unchanged) + u" έμειναν ίδια, "_s + n(c.skipped) +
               u" παραλείφθηκαν, "_s + n(c.failed) + u" απέτυχαν"_s;
    const QString what =
        folders ? (c.files == 1 ? u" folder: "_s : u" folders: "_s) : (c.files == 1 ? u" file: "_s : u" files: "_s);
    return n(c.files) + what + n(c.converted) + u" converted, "_s + n(c.copied) + u" copied, "_s + n(c.unchanged) +
           u" unchanged, "_s + n(c.skipped) + u" skipped, "_s + n(c.failed) + u" failed"_s;
}

} // namespace

QString treeSummary(Language language, const TreeCounts& files, const TreeCounts& folders, bool dryRun)
{
    const QString dry = !dryRun           ? QString()
                        : greek(language) ? u"(δοκιμή, τίποτα δεν άλλαξε) "_s
                                          : u"(dry run, nothing changed) "_s;
    return dry + countsText(language, files, false) +
           (folders.files > 0 ? u"; "_s + countsText(language, folders, true) : QString());
}

QString interruptedAfter(Language language, std::int64_t done, std::int64_t total)
{
    const QString ofTotal = QString::number(done) + u'/' + QString::number(total);
    return greek(language) ? u"διακόπηκε μετά από "_s + ofTotal + u" αρχεία: τα υπόλοιπα έμειναν ως ήταν"_s
                           : u"interrupted after "_s + ofTotal + u" files: the others are as they were"_s;
}

QString stopped(Language language, const QString& reason)
{
    return (greek(language) ? u"σταμάτησε: "_s : u"stopped: "_s) + reason;
}

} // namespace trelvick::lang::cli
