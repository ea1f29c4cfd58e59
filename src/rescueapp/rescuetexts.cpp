// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/rescuetexts.h"

#include "base/version.h"
#include "lang/escape.h"

#include <QLocale>
#include <QStringList>
#include <array>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;

namespace {

// One text in both languages: the English one first, as a catalogue's message id.
struct Pair
{
    const char16_t* english;
    const char16_t* greek;
};

QString pick(Language language, const Pair& pair)
{
    return QString::fromUtf16(language == Language::Greek ? pair.greek : pair.english);
}

QString pick(Language language, const char16_t* english, const char16_t* greek)
{
    return pick(language, Pair{english, greek});
}

QLocale localeOf(Language language)
{
    return language == Language::Greek ? QLocale(QLocale::Greek, QLocale::Greece)
                                       : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

bool isLanguage(QStringView entry, QStringView code)
{
    return entry.startsWith(code) && (entry.size() == code.size() || !entry.at(code.size()).isLetter());
}

// caption, name, description; by Control.
struct ControlPairs
{
    Pair caption, name, description;
};
constexpr std::array<ControlPairs, static_cast<std::size_t>(Control::Problems) + 1> kControls = {{
    {{u"Folders and files:", u"Φάκελοι και αρχεία:"},
     {u"Folders and files", u"Φάκελοι και αρχεία"},
     {u"The folders and files the plan covers", u"Οι φάκελοι και τα αρχεία που καλύπτει το σχέδιο"}},
    {{u"Add &folder…", u"Προσθήκη &φακέλου…"},
     {u"Add folder", u"Προσθήκη φακέλου"},
     {u"Choose a folder of the archive and add it to the plan", u"Επιλογή φακέλου του αρχείου για το σχέδιο"}},
    {{u"&Scan again", u"&Νέα σάρωση"},
     {u"Scan again", u"Νέα σάρωση"},
     {u"Look at every file again with the options chosen; nothing is written",
      u"Νέα ματιά σε κάθε αρχείο με τις επιλογές που ισχύουν· τίποτα δεν γράφεται"}},
    {{u"In place, with &backups", u"Στη θέση τους, με αντίγραφα α&σφαλείας"},
     {u"In place, with backups", u"Στη θέση τους, με αντίγραφα ασφαλείας"},
     {u"Each file is replaced by its conversion and its original kept beside it as NAME~",
      u"Κάθε αρχείο αντικαθίσταται από τη μετατροπή του και το πρωτότυπο μένει δίπλα του ως ΟΝΟΜΑ~"}},
    {{u"Into a &new folder:", u"Σε νέο φάκ&ελο:"},
     {u"Into a new folder", u"Σε νέο φάκελο"},
     {u"The converted archive is written into a folder of its own; the originals stay as they are",
      u"Το μετατρεμμένο αρχείο γράφεται σε δικό του φάκελο· τα πρωτότυπα μένουν όπως είναι"}},
    {{u"", u""},
     {u"New folder", u"Νέος φάκελος"},
     {u"Where the converted archive goes", u"Πού πηγαίνει το μετατρεμμένο αρχείο"}},
    {{u"C&hoose…", u"Ε&πιλογή…"},
     {u"Choose the new folder", u"Επιλογή του νέου φακέλου"},
     {u"Choose the folder the converted archive goes into",
      u"Επιλογή του φακέλου όπου πηγαίνει το μετατρεμμένο αρχείο"}},
    {{u"Convert file na&mes", u"Μετατροπή &ονομάτων"},
     {u"Convert file names", u"Μετατροπή ονομάτων"},
     {u"File and folder names that are not UTF-8 get their readable name",
      u"Τα ονόματα αρχείων και φακέλων που δεν είναι UTF-8 παίρνουν το αναγνώσιμο όνομά τους"}},
    {{u"Line &ends:", u"&Τέλη γραμμών:"},
     {u"Line ends", u"Τέλη γραμμών"},
     {u"What the line ends of the converted files become",
      u"Τι γίνονται τα τέλη γραμμών των αρχείων που μετατρέπονται"}},
    {{u"Lan&guage:", u"&Γλώσσα:"},
     {u"Language", u"Γλώσσα"},
     {u"The language of the window", u"Η γλώσσα του παραθύρου"}},
    {{u"Only the files in &doubt", u"Μόνο τα αρχεία σε α&μφιβολία"},
     {u"Only the files in doubt", u"Μόνο τα αρχεία σε αμφιβολία"},
     {u"Show only the files whose codepage the guess is not sure of",
      u"Εμφάνιση μόνο των αρχείων που η κωδικοσελίδα τους δεν είναι βέβαιη"}},
    {{u"", u""},
     {u"Plan", u"Σχέδιο"},
     {u"Every file of the archive and what will become of it", u"Κάθε αρχείο του αρχείου και τι θα γίνει με αυτό"}},
    {{u"Likely codepages:", u"Πιθανές κωδικοσελίδες:"},
     {u"Likely codepages", u"Πιθανές κωδικοσελίδες"},
     {u"The codepages the selected file may be in, each with its start as it would read",
      u"Οι κωδικοσελίδες του επιλεγμένου αρχείου, καθεμία με την αρχή του όπως θα διαβαζόταν"}},
    {{u"&Read as this", u"&Ανάγνωση με αυτή"},
     {u"Read as this", u"Ανάγνωση με αυτή"},
     {u"Read the selected files in the codepage chosen in the list",
      u"Ανάγνωση των επιλεγμένων αρχείων με την κωδικοσελίδα της λίστας"}},
    {{u"Lea&ve alone", u"Να μείνουν &ως έχουν"},
     {u"Leave alone", u"Να μείνουν ως έχουν"},
     {u"Leave the selected files as they are", u"Τα επιλεγμένα αρχεία μένουν όπως είναι"}},
    {{u"&As guessed", u"Όπως μαντεύτη&κε"},
     {u"As guessed", u"Όπως μαντεύτηκε"},
     {u"Drop your choice for the selected files: the guess decides again",
      u"Ακύρωση της επιλογής σας για τα επιλεγμένα αρχεία: αποφασίζει πάλι η εκτίμηση"}},
    {{u"", u""},
     {u"Progress", u"Πρόοδος"},
     {u"How far the scan or the conversion has got", u"Πόσο έχει προχωρήσει η σάρωση ή η μετατροπή"}},
    {{u"", u""},
     {u"Status", u"Κατάσταση"},
     {u"What the window is doing, and the summary at the end", u"Τι κάνει το παράθυρο, και η σύνοψη στο τέλος"}},
    {{u"&Convert", u"Μετατ&ροπή"},
     {u"Convert", u"Μετατροπή"},
     {u"Convert the archive as the plan says", u"Μετατροπή του αρχείου όπως λέει το σχέδιο"}},
    {{u"Cance&l", u"Άκ&υρο"},
     {u"Cancel", u"Άκυρο"},
     {u"Stop once the files under way are done; no file is left half-written",
      u"Διακοπή μόλις τελειώσουν τα αρχεία που είναι σε εξέλιξη· κανένα αρχείο δεν μένει μισό"}},
    {{u"&Undo", u"Αναίρεσ&η"},
     {u"Undo", u"Αναίρεση"},
     {u"Put every converted file and name back as it was, from the backups",
      u"Επαναφορά κάθε αρχείου και ονόματος όπως ήταν, από τα αντίγραφα ασφαλείας"}},
    {{u"", u""},
     {u"Report", u"Αναφορά"},
     {u"Where the report of the conversion was saved", u"Πού αποθηκεύτηκε η αναφορά της μετατροπής"}},
    {{u"Problems:", u"Προβλήματα:"},
     {u"Problems", u"Προβλήματα"},
     {u"Every file that could not be done as asked, with the reason",
      u"Κάθε αρχείο που δεν έγινε όπως ζητήθηκε, με την αιτία"}},
}};

constexpr std::array<Pair, kColumnCount> kColumns = {{
    {u"Name", u"Όνομα"},
    {u"New name", u"Νέο όνομα"},
    {u"Codepage", u"Κωδικοσελίδα"},
    {u"Language", u"Γλώσσα"},
    {u"Confidence", u"Βεβαιότητα"},
    {u"Action", u"Ενέργεια"},
    {u"Preview", u"Προεπισκόπηση"},
    {u"Note", u"Σημείωση"},
}};

constexpr std::array<Pair, static_cast<std::size_t>(Verdict::Failed) + 1> kVerdicts = {{
    {u"convert", u"μετατροπή"},
    {u"copy", u"αντιγραφή"},
    {u"unchanged", u"χωρίς αλλαγή"},
    {u"in doubt", u"σε αμφιβολία"},
    {u"skip", u"παράλειψη"},
    {u"will fail", u"θα αποτύχει"},
    {u"convert (your choice)", u"μετατροπή (επιλογή σας)"},
    {u"leave (your choice)", u"παραμένει (επιλογή σας)"},
    {u"converted", u"μετατράπηκε"},
    {u"copied", u"αντιγράφηκε"},
    {u"unchanged", u"χωρίς αλλαγή"},
    {u"skipped", u"παραλείφθηκε"},
    {u"failed", u"απέτυχε"},
}};

constexpr std::array<Pair, guess::kLanguageCount> kLanguages = {{
    {u"", u""},
    {u"English", u"Αγγλικά"},
    {u"Greek", u"Ελληνικά"},
    {u"German", u"Γερμανικά"},
    {u"French", u"Γαλλικά"},
    {u"Spanish", u"Ισπανικά"},
    {u"Italian", u"Ιταλικά"},
    {u"Portuguese", u"Πορτογαλικά"},
    {u"Dutch", u"Ολλανδικά"},
    {u"Swedish", u"Σουηδικά"},
    {u"Danish", u"Δανικά"},
    {u"Norwegian", u"Νορβηγικά"},
    {u"Finnish", u"Φινλανδικά"},
    {u"Polish", u"Πολωνικά"},
    {u"Czech", u"Τσεχικά"},
    {u"Slovak", u"Σλοβακικά"},
    {u"Hungarian", u"Ουγγρικά"},
    {u"Romanian", u"Ρουμανικά"},
    {u"Croatian", u"Κροατικά"},
    {u"Slovenian", u"Σλοβενικά"},
    {u"Serbian", u"Σερβικά"},
    {u"Russian", u"Ρωσικά"},
    {u"Ukrainian", u"Ουκρανικά"},
    {u"Bulgarian", u"Βουλγαρικά"},
    {u"Turkish", u"Τουρκικά"},
    {u"Lithuanian", u"Λιθουανικά"},
    {u"Latvian", u"Λετονικά"},
    {u"Estonian", u"Εσθονικά"},
    {u"Hebrew", u"Εβραϊκά"},
    {u"Arabic", u"Αραβικά"},
}};

constexpr std::array<Pair, kLineEndsChoices> kLineEnds = {{
    {u"as they are", u"όπως είναι"},
    {u"LF (Linux)", u"LF (Linux)"},
    {u"CR LF (DOS, Windows)", u"CR LF (DOS, Windows)"},
}};

constexpr char16_t kUsage[] = uR"(Usage: trelvick-rescue [OPTION]... [FOLDER|FILE]...
Opens the Trelvick rescue window on the folders and files given (or on none: a folder is chosen in
the window). It shows what every file's codepage is guessed to be and what will become of it, lets
you choose another codepage for single files, and converts the whole archive into UTF-8, in place
with backups or into a new folder; a conversion in place can be undone from the window.

  -h, --help     show this help and exit
  -V, --version  show the version and exit

Qt's own options (-platform, -display, -style and the others) are taken as every Qt program takes
them. A name that starts with '-' follows "--".

Exit status: 0 when the window is closed, 2 bad usage.
)";

} // namespace

Language languageOf(const QString& language, const QString& lcAll, const QString& lcMessages, const QString& lang)
{
    QString locale = lcAll;
    if (locale.isEmpty())
        locale = lcMessages;
    if (locale.isEmpty())
        locale = lang;
    if (locale.isEmpty() || locale == u"C"_s || locale == u"POSIX"_s || locale.startsWith(u"C."_s))
        return Language::English;
    if (!language.isEmpty()) {
        for (const QString& entry : language.split(u':', Qt::SkipEmptyParts)) {
            if (isLanguage(entry, u"el"))
                return Language::Greek;
            if (isLanguage(entry, u"en"))
                return Language::English;
        }
        return Language::English; // no language of the list has texts: they show as written
    }
    return isLanguage(locale, u"el") ? Language::Greek : Language::English;
}

Language systemLanguage()
{
    return languageOf(qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
                      qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"));
}

ControlTexts controlTexts(Control control, Language language)
{
    const ControlPairs& pairs = kControls[static_cast<std::size_t>(control)];
    return {pick(language, pairs.caption), pick(language, pairs.name), pick(language, pairs.description)};
}

QString columnTitle(Column column, Language language)
{
    return pick(language, kColumns[static_cast<std::size_t>(column)]);
}

QString verdictText(Verdict verdict, Language language)
{
    return pick(language, kVerdicts[static_cast<std::size_t>(verdict)]);
}

QString lineEndsChoice(int index, Language language)
{
    return pick(language, kLineEnds[static_cast<std::size_t>(index)]);
}

QString languageChoice(Language shown)
{
    return shown == Language::Greek ? u"Ελληνικά"_s : u"English"_s;
}

QString rescueTitle(Language language)
{
    return pick(language, u"Trelvick Rescue", u"Trelvick Διάσωση");
}

QString languageName(guess::Language name, Language language)
{
    const auto index = static_cast<std::size_t>(name);
    return index < kLanguages.size() ? pick(language, kLanguages[index]) : QString();
}

QString percent(int value, Language language)
{
    return localeOf(language).toString(value) + u" %"_s;
}

QString byteSize(std::int64_t bytes, Language language)
{
    const QLocale locale = localeOf(language);
    constexpr double kKiB = 1024.0;
    if (bytes < 1024)
        return locale.toString(qlonglong(bytes)) + u" B"_s;
    if (bytes < 1024 * 1024)
        return locale.toString(double(bytes) / kKiB, 'f', 1) + u" KiB"_s;
    if (bytes < std::int64_t(1024) * 1024 * 1024)
        return locale.toString(double(bytes) / (kKiB * kKiB), 'f', 1) + u" MiB"_s;
    return locale.toString(double(bytes) / (kKiB * kKiB * kKiB), 'f', 2) + u" GiB"_s;
}

QString count(std::int64_t number, Language language)
{
    return localeOf(language).toString(qlonglong(number));
}

QString duration(std::int64_t seconds, Language language)
{
    if (seconds < 60)
        return pick(language, u"%1 s", u"%1 δευτ.").arg(seconds);
    return pick(language, u"%1 min %2 s", u"%1 λεπ. %2 δευτ.").arg(seconds / 60).arg(seconds % 60);
}

QString noInputs(Language language)
{
    return pick(language, u"Add a folder of the archive to begin.",
                u"Προσθέστε έναν φάκελο του αρχείου για να αρχίσετε.");
}

QString walking(Language language)
{
    return pick(language, u"Looking through the folders…", u"Αναζήτηση στους φακέλους…");
}

QString scanning(Language language, std::int64_t files, std::int64_t total)
{
    return pick(language, u"Scanning: %1 of %2 files", u"Σάρωση: %1 από %2 αρχεία")
        .arg(count(files, language), count(total, language));
}

QString planSummary(Language language, const PlanCounts& c)
{
    return pick(language,
                u"%1 files: %2 to convert, %3 to copy, %4 unchanged, %5 in doubt, %6 to skip, %7 will fail. "
                u"Nothing has been written yet.",
                u"%1 αρχεία: %2 για μετατροπή, %3 για αντιγραφή, %4 χωρίς αλλαγή, %5 σε αμφιβολία, "
                u"%6 για παράλειψη, %7 θα αποτύχουν. Τίποτα δεν έχει γραφτεί ακόμη.")
        .arg(count(c.files, language), count(c.convert, language), count(c.copy, language),
             count(c.unchanged, language), count(c.inDoubt, language), count(c.skip, language),
             count(c.fail, language));
}

QString scanStopped(Language language, std::int64_t files, std::int64_t total)
{
    return pick(language, u"The scan stopped after %1 of %2 files: scan again before converting.",
                u"Η σάρωση σταμάτησε μετά από %1 από %2 αρχεία: νέα σάρωση πριν από τη μετατροπή.")
        .arg(count(files, language), count(total, language));
}

QString converting(Language language, std::int64_t files, std::int64_t total, const QString& bytes, const QString& left)
{
    if (left.isEmpty())
        return pick(language, u"Converting: %1 of %2 files, %3", u"Μετατροπή: %1 από %2 αρχεία, %3")
            .arg(count(files, language), count(total, language), bytes);
    return pick(language, u"Converting: %1 of %2 files, %3, about %4 left",
                u"Μετατροπή: %1 από %2 αρχεία, %3, απομένουν περίπου %4")
        .arg(count(files, language), count(total, language), bytes, left);
}

QString convertSummary(Language language, const DoneCounts& c)
{
    return pick(language, u"%1 files: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed.",
                u"%1 αρχεία: %2 μετατράπηκαν, %3 αντιγράφηκαν, %4 χωρίς αλλαγή, %5 παραλείφθηκαν, %6 απέτυχαν.")
        .arg(count(c.files, language), count(c.converted, language), count(c.copied, language),
             count(c.unchanged, language), count(c.skipped, language), count(c.failed, language));
}

QString convertStopped(Language language, std::int64_t files, std::int64_t total)
{
    return pick(language, u"Cancelled after %1 of %2 files: each file is either converted whole or as it was.",
                u"Ακυρώθηκε μετά από %1 από %2 αρχεία: κάθε αρχείο είναι ή ολόκληρο μετατρεμμένο ή όπως ήταν.")
        .arg(count(files, language), count(total, language));
}

QString reportSaved(Language language, const QString& path)
{
    return pick(language, u"Report saved in %1", u"Η αναφορά αποθηκεύτηκε στο %1").arg(path);
}

QString reportFailed(Language language, const QString& path, const QString& error)
{
    return pick(language, u"The report could not be saved in %1: %2", u"Η αναφορά δεν αποθηκεύτηκε στο %1: %2")
        .arg(path, error);
}

QString jobFailed(Language language, const QString& error)
{
    return pick(language, u"Stopped: %1. Each file is either done whole or as it was.",
                u"Διακόπηκε: %1. Κάθε αρχείο είναι ή ολοκληρωμένο ή όπως ήταν.")
        .arg(error);
}

QString undoing(Language language)
{
    return pick(language, u"Putting the files back…", u"Επαναφορά των αρχείων…");
}

QString undoSummary(Language language, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed)
{
    return pick(language, u"Undone: %1 files restored, %2 names given back, %3 left as they are, %4 failed.",
                u"Αναίρεση: %1 αρχεία επανήλθαν, %2 ονόματα επανήλθαν, %3 έμειναν όπως είναι, %4 απέτυχαν.")
        .arg(count(restored, language), count(renamed, language), count(left, language), count(failed, language));
}

QString problem(const QString& name, const QString& reason)
{
    return name + u": "_s + reason;
}

QString undoChanged(Language language)
{
    return pick(language, u"changed since the conversion: left as it is",
                u"άλλαξε μετά τη μετατροπή: μένει όπως είναι");
}

QString undoNoBackup(Language language)
{
    return pick(language, u"converted without a backup: nothing to put back",
                u"μετατράπηκε χωρίς αντίγραφο ασφαλείας: δεν υπάρχει τι να επανέλθει");
}

QString yourChoice(Language language)
{
    return pick(language, u"your choice", u"επιλογή σας");
}

QString chooseInputTitle(Language language)
{
    return pick(language, u"Choose a folder of the archive", u"Επιλογή φακέλου του αρχείου");
}

QString chooseOutputTitle(Language language)
{
    return pick(language, u"Choose the new folder", u"Επιλογή του νέου φακέλου");
}

QString dialogFailure(Language language, const QString& error)
{
    return pick(language, u"The folder could not be chosen: %1", u"Ο φάκελος δεν επιλέχθηκε: %1").arg(error);
}

QString outputInsideInput(Language language, const QString& folder)
{
    return pick(language,
                u"The new folder %1 lies inside the archive: its results would be converted again. "
                u"Choose another.",
                u"Ο νέος φάκελος %1 βρίσκεται μέσα στο αρχείο: τα αποτελέσματα θα μετατρέπονταν ξανά. "
                u"Επιλέξτε άλλον.")
        .arg(folder);
}

QString outputMissing(Language language)
{
    return pick(language, u"Choose the new folder first.", u"Επιλέξτε πρώτα τον νέο φάκελο.");
}

QString noTargetCodepage(Language language, const QString& error)
{
    return pick(language, u"This system cannot convert into UTF-8: %1",
                u"Το σύστημα δεν μπορεί να μετατρέψει σε UTF-8: %1")
        .arg(error);
}

QByteArray usage()
{
    return QString::fromUtf16(kUsage).toUtf8();
}

QByteArray unknownOption(const QString& option)
{
    return (u"trelvick-rescue: unrecognized option '"_s + lang::escaped(option) +
            u"'\nTry 'trelvick-rescue --help' for more information.\n"_s)
        .toUtf8();
}

} // namespace trelvick::rescueapp
