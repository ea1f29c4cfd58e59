// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/clitexts.h"

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

QString help(Language language)
{
    if (greek(language))
        return uR"(Χρήση:
  trelvick-convert [--config ΑΡΧΕΙΟ] --list
  trelvick-convert [--config ΑΡΧΕΙΟ] --show ΜΕΤΑΤΡΟΠΕΑΣ
  trelvick-convert [--config ΑΡΧΕΙΟ] [--quiet] -c ΜΕΤΑΤΡΟΠΕΑΣ ΕΙΣΟΔΟΣ ΕΞΟΔΟΣ
  trelvick-convert [--config ΑΡΧΕΙΟ] [--quiet] -c ΜΕΤΑΤΡΟΠΕΑΣ --batch ΕΙΣΟΔΟΣ...
  trelvick-convert [--config ΑΡΧΕΙΟ] --guess[=ΜΟΡΦΗ] ΑΡΧΕΙΟ...
  trelvick-convert --help | --version

Μετατρέπει την κωδικοσελίδα αρχείων κειμένου 8 bit με τους μετατροπείς του tq.ini,
με τα ίδια byte που βγάζει και το παράθυρο του Trelvick: κάθε γραμμή γράφεται με CR LF.

Επιλογές:
  --config ΑΡΧΕΙΟ      οι μετατροπείς από το ΑΡΧΕΙΟ αντί για το ~/.config/trelvick/tq.ini ή,
                       όταν αυτό λείπει, το tq.ini του φακέλου του προγράμματος
  --list               τυπώνει τους μετατροπείς, κλειδί και περιγραφή, έναν ανά γραμμή
  --show ΜΕΤΑΤΡΟΠΕΑΣ   τυπώνει τον πίνακα του μετατροπέα, μία γραμμή «πηγή=στόχος» ανά κωδικό
                       (ο στόχος ενός μετατροπέα σε UTF-8 είναι σημείο κώδικα Unicode)
  -c ΜΕΤΑΤΡΟΠΕΑΣ       μετατρέπει την ΕΙΣΟΔΟ στην ΕΞΟΔΟ· «-» σημαίνει την τυπική είσοδο ή έξοδο
  --batch              κάθε ΕΙΣΟΔΟΣ γίνεται ΕΙΣΟΔΟΣ.out δίπλα της· ένα αρχείο που αποτυγχάνει
                       αναφέρεται και τα υπόλοιπα μετατρέπονται κανονικά
  --guess ΑΡΧΕΙΟ...    μαντεύει την κωδικοσελίδα κάθε ΑΡΧΕΙΟΥ (CP737, CP869, ISO-8859-7, CP1253,
                       CP437, CP1252, UTF-8, ASCII, ή UTF-16LE, UTF-16BE, UTF-32LE, UTF-32BE
                       μετά από σήμα σειράς byte) από τα πρώτα 64 KiB του, ή, όταν αυτά είναι
                       ASCII, από τα πρώτα byte πέρα από το ASCII, και τυπώνει πόσο βέβαιη
                       είναι η μαντεψιά και ποιοι μετατροπείς ξεκινούν από αυτήν· μία γραμμή
                       για κάθε αρχείο στην τυπική έξοδο, και για όσα αποτυγχάνουν
  --guess=name         μόνο το όνομα της κωδικοσελίδας ανά γραμμή (unknown όταν δεν βρέθηκε)
  --guess=tsv          αρχείο, όνομα, βεβαιότητα, δεύτερη πιθανή, η βεβαιότητά της και οι
                       μετατροπείς, χωρισμένα με tab· οι δύο μορφές δεν μεταφράζονται ποτέ
  --quiet              τυπώνει μόνο τα λάθη
  --help               αυτή η βοήθεια
  --version            η έκδοση

ΜΕΤΑΤΡΟΠΕΑΣ: ένα κλειδί (Μ3, ή M3 με λατινικό M, ή 3) ή η ακριβής περιγραφή ενός μετατροπέα.
Το πλήθος των αλλαγμένων χαρακτήρων κάθε αρχείου γράφεται στην τυπική έξοδο λαθών.

Κατάσταση εξόδου: 0 επιτυχία, 1 μια μετατροπή απέτυχε, 2 λάθος χρήση ή λανθασμένο tq.ini·
με τη --guess, 1 ένα αρχείο δεν διαβάστηκε, 3 ένα αρχείο δεν είναι κείμενο σε γνωστή κωδικοσελίδα.
)"_s;
    return uR"(Usage:
  trelvick-convert [--config FILE] --list
  trelvick-convert [--config FILE] --show CONVERTER
  trelvick-convert [--config FILE] [--quiet] -c CONVERTER INPUT OUTPUT
  trelvick-convert [--config FILE] [--quiet] -c CONVERTER --batch INPUT...
  trelvick-convert [--config FILE] --guess[=FORMAT] FILE...
  trelvick-convert --help | --version

Converts the codepage of 8-bit text files with the converters of tq.ini, giving the
same bytes as the Trelvick window: every line is written with CR LF.

Options:
  --config FILE        read the converters from FILE, not from ~/.config/trelvick/tq.ini or,
                       when that is missing, from tq.ini in the program's folder
  --list               print the converters, key and description, one per line
  --show CONVERTER     print the converter's table, one "source=target" line per code
                       (a converter to UTF-8 shows Unicode code points as targets)
  -c CONVERTER         convert INPUT into OUTPUT; "-" stands for standard input or output
  --batch              convert each INPUT into INPUT.out beside it; a file that fails is
                       reported and the other files are still converted
  --guess FILE...      name the codepage of each FILE (CP737, CP869, ISO-8859-7, CP1253, CP437,
                       CP1252, UTF-8, ASCII, or after a byte-order mark UTF-16LE, UTF-16BE,
                       UTF-32LE, UTF-32BE) from its first 64 KiB, or when those are ASCII from
                       its first bytes beyond ASCII, how sure the guess is, and the converters
                       that start from it; one line per file on standard output, failures too
  --guess=name         print only the codepage's name per line ("unknown" when there is none)
  --guess=tsv          print file, name, confidence, runner-up, its confidence and converters,
                       tab-separated; neither format is ever translated
  --quiet              print nothing but errors
  --help               show this help
  --version            show the version

CONVERTER: a key (Μ3, or M3 with a Latin M, or 3) or a converter's exact description.
The count of changed characters of each file goes to standard error.

Exit status: 0 done, 1 a conversion failed, 2 bad usage or a faulty tq.ini; with --guess,
1 a file could not be read, 3 a file is not text in a known codepage.
)"_s;
}

QString version()
{
    return u"trelvick-convert 2001.0009.0012"_s;
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

QString noMode(Language language)
{
    return greek(language) ? u"χρειάζεται μία από τις --list, --show, --guess και -c"_s
                           : u"one of --list, --show, --guess and -c is needed"_s;
}

QString twoModes(Language language)
{
    return greek(language) ? u"μόνο μία από τις --list, --show, --guess και -c"_s
                           : u"only one of --list, --show, --guess and -c"_s;
}

QString batchWithoutConvert(Language language)
{
    return greek(language) ? u"η --batch πάει μόνο με την -c"_s : u"--batch goes with -c only"_s;
}

QString unexpectedOperand(Language language, const QString& operand)
{
    return greek(language) ? u"περιττό όρισμα "_s + quoted(language, operand)
                           : u"unexpected operand "_s + quoted(language, operand);
}

QString wrongFileCount(Language language)
{
    return greek(language) ? u"η -c θέλει ένα αρχείο εισόδου και ένα αρχείο εξόδου"_s
                           : u"-c needs one input file and one output file"_s;
}

QString noBatchInput(Language language)
{
    return greek(language) ? u"η --batch θέλει τουλάχιστον ένα αρχείο εισόδου"_s
                           : u"--batch needs at least one input file"_s;
}

QString standardInputInBatch(Language language)
{
    return greek(language) ? u"η --batch δεν δέχεται «-»: κάθε αρχείο εισόδου χρειάζεται όνομα"_s
                           : u"--batch takes no '-': each input file needs a name"_s;
}

QString noGuessInput(Language language)
{
    return greek(language) ? u"η --guess θέλει τουλάχιστον ένα αρχείο"_s : u"--guess needs at least one file"_s;
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

QString noConverter(Language language, const QString& file, const QString& section, int count)
{
    const QString last = QString::number(count);
    return place(file, section) + (greek(language) ? u"καμία περιγραφή για τα κλειδιά Μ1..Μ"_s + last
                                                   : u"no description for the keys Μ1..Μ"_s + last);
}

QString noCodeEntries(Language language, const QString& file, const QString& section)
{
    return place(file, section) + (greek(language) ? u"η ενότητα λείπει ή δεν έχει κανένα από τα κλειδιά 0..255"_s
                                                   : u"the section is missing or holds none of the keys 0..255"_s);
}

QString faultyCode(Language language, const QString& file, const QString& section, int key, const QString& value,
                   int highest)
{
    // A key below 0 stands for the encoding key, whose value names no output this program writes.
    if (key < 0)
        return place(file, section, u"Κωδικοποίηση"_s) +
               (greek(language) ? u"η τιμή "_s + quoted(language, value) + u" δεν είναι UTF-8"_s
                                : u"value "_s + quoted(language, value) + u" is not UTF-8"_s);
    const QString range = u"0.."_s + QString::number(highest);
    return place(file, section, QString::number(key)) +
           (greek(language) ? u"η τιμή "_s + quoted(language, value) + u" δεν είναι κωδικός "_s + range
                            : u"value "_s + quoted(language, value) + u" is not a code "_s + range);
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

QString batchFailures(Language language, std::int64_t failed, std::int64_t count)
{
    const QString ofCount = QString::number(failed) + u'/' + QString::number(count);
    return greek(language) ? u"απέτυχαν "_s + ofCount + u" αρχεία"_s : ofCount + u" files failed"_s;
}

int percent(double confidence)
{
    return static_cast<int>(confidence * 100);
}

QString guessed(Language language, const QString& file, const GuessedEncoding& best,
                const std::optional<GuessedEncoding>& runnerUp, const QStringList& converterKeys)
{
    auto shown = [](double confidence) { return QString::number(percent(confidence)) + u'%'; };
    QString text = file + u": "_s + best.name + u", "_s;
    if (greek(language)) {
        text += u"βεβαιότητα "_s + shown(best.confidence);
        if (runnerUp)
            text += u"· δεύτερη πιθανή "_s + runnerUp->name + u", "_s + shown(runnerUp->confidence) +
                    (runnerUp->readsAlike ? u", που το διαβάζει το ίδιο"_s : QString());
        return text + (converterKeys.isEmpty() ? u"· κανένας μετατροπέας δεν ξεκινά από "_s + best.name
                                               : u"· μετατροπείς: "_s + converterKeys.join(u", "_s));
    }
    text += shown(best.confidence) + u" sure"_s;
    if (runnerUp)
        text += u"; runner-up "_s + runnerUp->name + u", "_s + shown(runnerUp->confidence) +
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

QString unknownGuessFormat(Language language, const QString& format)
{
    const QString shown = quoted(language, escaped(format));
    return greek(language) ? u"άγνωστη μορφή "_s + shown + u" της --guess (name ή tsv)"_s
                           : u"unknown --guess format "_s + shown + u" (name or tsv)"_s;
}

} // namespace trelvick::lang::cli
