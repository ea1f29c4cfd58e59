// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/texts.h"

#include "base/version.h"

namespace trelvick::lang {

namespace {

bool greek(Language language)
{
    return language == Language::Greek;
}

QString pick(Language language, const char16_t* el, const char16_t* en)
{
    return QString::fromUtf16(greek(language) ? el : en);
}

const QString kBreak = QString::fromUtf16(kLineBreak);
const QString kTwoBreaks = kBreak + kBreak;

// The start-up boxes show Greek, an empty line, then English.
QString bilingual(const QString& el, const QString& en)
{
    return el + kTwoBreaks + en;
}

} // namespace

ButtonTexts buttonTexts(Language language)
{
    if (greek(language))
        return {u"Εντάξει"_qs, u"Ναι"_qs, u"Όχι"_qs, u"Άκυρο"_qs};
    return {u"OK"_qs, u"Yes"_qs, u"No"_qs, u"Cancel"_qs};
}

ButtonTexts bilingualButtonTexts()
{
    return {u"OK"_qs, u"Yes"_qs, u"No"_qs, u"Cancel"_qs};
}

QString windowTitle()
{
    return u"Trelvick"_qs;
}

QString inputFrameCaption(Language language)
{
    return pick(language, u" Αρχείο εισόδου ", u" Input file ");
}

QString outputFrameCaption(Language language)
{
    return pick(language, u" Αρχείο εξόδου ", u" Output file ");
}

QString languageFrameCaption(Language language)
{
    return pick(language, u" Γλώσσα ", u" Language ");
}

QString converterLabel(Language language)
{
    return pick(language, u"Είδος μετατροπής", u"Conversion type");
}

QString copyrightLabel(Language language)
{
    return pick(language, u"Έκδοση %1, ελεύθερο λογισμικό της ομάδας Trelvick.",
                u"Version %1, free software by the Trelvick team.")
        .arg(QLatin1StringView(base::kDisplayVersion));
}

QString tooltip(Tip tip, Language language)
{
    switch (tip) {
    case Tip::Select:
        return pick(language, u"Επιλογή", u"Select");
    case Tip::QuickView:
        return pick(language, u"Γρήγορη προβολή", u"Quick view");
    case Tip::Edit:
        return pick(language, u"Επεξεργασία", u"Edit");
    case Tip::Rename:
        return pick(language, u"Μετονομασία", u"Rename");
    case Tip::Delete:
        return pick(language, u"Διαγραφή", u"Delete");
    case Tip::Conversion:
        return pick(language, u"Μετατροπή", u"Conversion");
    case Tip::Exit:
        return pick(language, u"Έξοδος", u"Exit");
    case Tip::Greek:
        return u"Ελληνικά - Greek"_qs;
    case Tip::English:
        return u"Αγγλικά - English"_qs;
    case Tip::Information:
        return pick(language, u"Συμπληρωματικές πληροφορίες", u"Supplementary information");
    }
    return {};
}

QString helpFileName(Language language)
{
    return pick(language, u"tq-grhlp.hlp", u"tq-ukhlp.hlp");
}

QString startupTitle()
{
    return u"Trelvick - Trelvick"_qs;
}

QString duplicateInstanceTitle()
{
    return u"...duplicate instance."_qs;
}

QString secondInstanceText()
{
    return bilingual(u"Η εφαρμογή είναι ήδη ενεργοποιημένη. Δεν μπορεί να εκτελείται "
                     u"παραπάνω από μία φορά την ίδια χρονική στιγμή."_qs,
                     u"The application has already been launched. Only once "
                     u"instance can be active at a time."_qs);
}

QString missingConfigText(const QString& path)
{
    return bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς το αρχείο «"_qs + path + u"»."_qs,
                     u"The application cannot function without the '"_qs + path + u"' file."_qs);
}

QString missingCountText(const QString& path)
{
    return bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς την εγγραφή "
                     u"«ΠλήθοςΜετατροπέων» στο «"_qs +
                         path + u"» αρχείο."_qs,
                     u"The application cannot function without the "
                     u"'ΠλήθοςΜετατροπέων' entry in the '"_qs +
                         path + u"' file."_qs);
}

QString wrongCountText(const QString& path)
{
    return bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν η εγγραφή "
                     u"«ΠλήθοςΜετατροπέων» στο «"_qs +
                         path + u"» αρχείο, είναι λανθασμένη."_qs,
                     u"The application cannot function if the entry "
                     u"'ΠλήθοςΜετατροπέων' in the '"_qs +
                         path + u"' file, is wrong."_qs);
}

QString noConverterText(const QString& path)
{
    // Both forms really do hold two blanks in a row ("του  αρχείου", "section  of").
    return bilingual(u"Για να λειτουργήσει η εφαρμογή πρέπει να υπάρχει τουλάχιστον "
                     u"μία εγγραφή στην ενότητα «ΠεριγραφήΜετατροπέων» του  αρχείου «"_qs +
                         path + u"»."_qs,
                     u"The application can function only if there is at least "
                     u"one entry in the 'ΠεριγραφήΜετατροπέων' section  of the '"_qs +
                         path + u"' file."_qs);
}

QString startupFailureText(const QString& error, const QString& path)
{
    const QString upper = error.toUpper();
    return bilingual(u"Προέκυψε το λάθος «"_qs + upper + u"». Ελέγξτε το αρχείο «"_qs + path +
                         u"», για λανθασμένες διαδρομές στις εγγραφές «ΓρήγορηΠροβολή» και «Επεξεργασία»."_qs,
                     u"Error '"_qs + upper + u"' has occured. Check the '"_qs + path +
                         u"' file, for illegal path names in the 'ΓρήγορηΠροβολή' and 'Επεξεργασία' entries."_qs);
}

QString failureText(Language language, const QString& error, const QString& sentence)
{
    const QString upper = error.toUpper();
    const QString first =
        greek(language) ? u"Προέκυψε το λάθος «"_qs + upper + u"»."_qs : u"Error '"_qs + upper + u"' has occured."_qs;
    return first + kTwoBreaks + sentence;
}

QString inputDialogTitle(Language language)
{
    return pick(language, u"Επιλογή αρχείου(ων) εισόδου", u"Input file(s) selection");
}

QString outputDialogTitle(Language language)
{
    return pick(language, u"Επιλογή αρχείου εξόδου", u"Output file selection");
}

QString fileFilter(Language language)
{
    // "*" rather than "*.*": on Linux the latter would hide names without a dot.
    return pick(language, u"Όλα τα αρχεία (*)", u"All files (*)");
}

Message inputDialogFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Επιλογή αρχείου(ων) εισόδου"_qs, u"Προέκυψε το λάθος «"_qs + error + u"»."_qs};
    return {u"Trelvick - Input file(s) selection"_qs, u"Error '"_qs + error + u"' has occured."_qs};
}

QString outputFolderMissing(Language language, const QString& folder)
{
    if (greek(language))
        return u"Ο φάκελος «"_qs + folder + u"» δεν υπάρχει."_qs;
    return u"The folder '"_qs + folder + u"' does not exist."_qs;
}

QString outputFileReadOnly(Language language, const QString& path)
{
    if (greek(language))
        return u"Το αρχείο «"_qs + path + u"» δεν μπορεί να γραφτεί."_qs;
    return u"The file '"_qs + path + u"' cannot be written."_qs;
}

QString inputInfoLine(Language language, std::int64_t size, const QString& date)
{
    const QString head = pick(language, u"Αρχείο εισόδου: ", u"Input file: ");
    const QString unit = pick(language, u"χαρακτήρες", u"bytes");
    return head + QString::number(size) + u' ' + unit + u", "_qs + date + u'.';
}

Message wrongNames(Language language)
{
    if (greek(language))
        return {u"Λανθασμένα ονόματα αρχείων"_qs, u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν το όνομα του αρχείου "
                                                  u"εισόδου είναι ίδιο με το όνομα του αρχείου εξόδου."_qs};
    return {u"Wrong filenames"_qs, u"The application cannot function if the name of the input file "
                                   u"is the same as the name of the output file."_qs};
}

Message unrepresentableName(Language language, const QString& path)
{
    if (greek(language))
        return {u"Λανθασμένα ονόματα αρχείων"_qs,
                u"Το όνομα του αρχείου «"_qs + path +
                    u"» περιέχει χαρακτήρες που η εφαρμογή δεν μπορεί να αναπαραστήσει. Μετονομάστε το αρχείο "
                    u"και δοκιμάστε ξανά."_qs};
    return {u"Wrong filenames"_qs, u"The name of the file '"_qs + path +
                                       u"' holds characters that the application cannot represent. Rename the "
                                       u"file and try again."_qs};
}

Message previousResults(Language language)
{
    if (greek(language))
        return {u"Μετατροπή"_qs, u"Το αρχείο εξόδου περιέχει τα αποτελέσματα μίας προηγούμενης "
                                 u"μετατροπής. Θέλετε να αποθηκεύσετε τα αποτελέσματα "
                                 u"αυτής της μετατροπής στο ίδιο αρχείο εξόδου;"_qs};
    return {u"Conversion"_qs, u"The output file containts the results of a previous conversion. "
                              u"Do you want to store the results of this conversion "
                              u"into the same output file?"_qs};
}

Message endOfConversion(Language language, const QString& description, std::int64_t changed)
{
    // The count keeps the leading blank of the classic number-to-text conversion.
    const QString count = u' ' + QString::number(changed);
    if (greek(language))
        return {u"Τέλος μετατροπής"_qs,
                u"Η μετατροπή «"_qs + description + u"» άλλαξε"_qs + count + u" χαρακτήρες."_qs};
    return {u"End of conversion"_qs,
            u"Conversion '"_qs + description + u"' resulted into the changing of"_qs + count + u" characters."_qs};
}

Message conversionFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Μετατροπή"_qs,
                failureText(language, error, u"Η εφαρμογή δεν μπορεί να κάνει τη μετατροπή."_qs)};
    return {u"Trelvick - Conversion"_qs,
            failureText(language, error, u"The application cannot perform the conversion."_qs)};
}

Message missingCodeSection(Language language, const QString& description)
{
    if (greek(language))
        return {u"Μετατροπή"_qs, u"Η εφαρμογή δεν έχει τις απαραίτητες πληροφορίες για να κάνει "
                                 u"τη μετατροπή «"_qs +
                                     description + u"»."_qs + kTwoBreaks +
                                     u"Η ενότητα με τις αντιστοιχίες των κωδικών μετατροπής "
                                     u"είτε λείπει ή περιέχει λανθασμένες πληροφορίες."_qs};
    return {u"Conversion"_qs, u"The application cannot find the necessary information to "
                              u"proceed with the conversion '"_qs +
                                  description + u"'."_qs + kTwoBreaks +
                                  u"The section with the convesion codes "
                                  u"may either be missing or contain mistakes."_qs};
}

QString batchLabel(Language language, std::int64_t number, std::int64_t count)
{
    if (greek(language))
        return u"Μετατροπή αρχείου "_qs + QString::number(number) + u" από "_qs + QString::number(count) + u'.';
    return u"Converting file "_qs + QString::number(number) + u" of "_qs + QString::number(count) + u'.';
}

Message batchQuestion(Language language, std::int64_t count, const QString& folder)
{
    const QString n = QString::number(count);
    if (greek(language))
        return {u"Μετατροπή πολλών αρχείων"_qs,
                u"Επιλέξατε την μετατροπή της κωδικοσελίδας "_qs + n + u" αρχείων."_qs + kTwoBreaks +
                    u"Δεν θα έχετε την δυνατότητα να διακόψετε την διαδικασία της μετατροπής."_qs + kTwoBreaks +
                    u"Όταν ολοκληρωθεί η διαδικασία της μετατροπής, η εφαρμογή θα τερματισθεί."_qs + kTwoBreaks +
                    u"Τα αρχεία εξόδου θα έχουν το ίδιο όνομα με τα αρχεία εισόδου, θα έχουν ως "
                    u"κατάληξη την συμβολοσειρά «.OUT» και θα αποθηκευθούν στον φάκελλο «"_qs +
                    folder + u"». Εάν υπάρχουν ήδη, θα διαγράφονται."_qs + kTwoBreaks +
                    u"Η απόφασή σας για την μετατροπή είναι οριστική;"_qs};
    return {u"Multiple file conversion"_qs,
            u"You are about to convert the codepage of "_qs + n + u" files."_qs + kTwoBreaks +
                u"You will not have the option of stopping the conversion process."_qs + kTwoBreaks +
                u"The application will shut down as soon as the conversion process finishes."_qs + kTwoBreaks +
                u"The output files will have the same name as the input files, the string '.OUT' "
                u"will be used as an extension, and will be stored in the '"_qs +
                folder + u"' folder. If they already exist, they will be deleted."_qs + kTwoBreaks +
                u"Do you really want to convert these files?"_qs};
}

Message editNotice(Language language, const QString& path)
{
    if (greek(language))
        return {u"Επεξεργασία"_qs, u"Η εφαρμογή αδρανοποιείται για όσο χρονικό διάστημα "
                                   u"επεξεργάζεστε το αρχείο «"_qs +
                                       path + u"»."_qs};
    return {u"Edit"_qs, u"The application is suspended for as long as "
                        u"you are editing the file '"_qs +
                            path + u"'."_qs};
}

Message quickViewFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Γρήγορη προβολή"_qs,
                failureText(language, error,
                            u"Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή της γρήγορης προβολής."_qs)};
    return {u"Trelvick - Quick view"_qs,
            failureText(language, error, u"The application cannot activate the quick view command."_qs)};
}

Message editFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Επεξεργασία"_qs,
                failureText(language, error, u"Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή του επεξεργαστή."_qs)};
    return {u"Trelvick - Edit"_qs,
            failureText(language, error, u"The application cannot activate the editor command."_qs)};
}

QString renameTitle(Language language)
{
    return pick(language, u"Μετονομασία", u"Rename");
}

QString renamePrompt(Language language, Side side)
{
    if (side == Side::Input)
        return pick(language, u"Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εισόδου. ",
                    u"Enter the new name of the input file. ");
    return pick(language, u"Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εξόδου. ",
                u"Enter the new name of the output file. ");
}

Message deleteQuestion(Language language, Side side, const QString& path)
{
    if (greek(language)) {
        // The output question has always had a blank after the opening «.
        const QString open = side == Side::Input ? u"«"_qs : u"« "_qs;
        return {u"Διαγραφή"_qs, u"Θέλετε πράγματι να διαγράψετε το αρχείο "_qs + open + path + u"»;"_qs};
    }
    return {u"Delete"_qs, u"Do you really want to delete the '"_qs + path + u"' file?"_qs};
}

Message renameFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Μετονομασία"_qs,
                failureText(language, error, u"Η εφαρμογή δεν μπορεί να μετονομάσει το αρχείο."_qs)};
    return {u"Trelvick - Rename"_qs, failureText(language, error, u"The application cannot rename the file."_qs)};
}

Message deleteFailure(Language language, const QString& error)
{
    if (greek(language))
        return {u"Trelvick - Διαγραφή"_qs,
                failureText(language, error, u"Η εφαρμογή δεν μπορεί να διαγράψει το αρχείο."_qs)};
    return {u"Trelvick - Delete"_qs, failureText(language, error, u"The application cannot delete the file."_qs)};
}

} // namespace trelvick::lang
