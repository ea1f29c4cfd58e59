// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/errortext.h"

#include "lang/catalog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace trelvick::lang {

namespace {

// strerror_r comes in two flavours: GNU returns the text, XSI fills the buffer and returns 0.
[[maybe_unused]] const char* errorTextOf(const char* gnuResult, const char*)
{
    return gnuResult;
}
[[maybe_unused]] const char* errorTextOf(int xsiResult, const char* buffer)
{
    return xsiResult == 0 ? buffer : nullptr;
}

QString faultText(base::Fault fault, Language language)
{
    const bool greek = language == Language::Greek;
    switch (fault) {
    case base::Fault::Overflow:
        return QStringLiteral("Overflow");
    case base::Fault::NotSingleByte:
        return greek ? QStringLiteral("Δεν είναι κωδικοσελίδα ενός byte ανά χαρακτήρα")
                     : QStringLiteral("Not a single-byte codepage");
    case base::Fault::UnknownCharset:
        return greek ? QStringLiteral("Άγνωστη κωδικοσελίδα") : QStringLiteral("Unknown codepage");
    case base::Fault::CharactersLost:
        return greek ? QStringLiteral("Χαρακτήρες χωρίς αντίστοιχο στον στόχο")
                     : QStringLiteral("Characters without an equivalent in the target");
    case base::Fault::LinkUnresolved:
        return greek ? QStringLiteral("Ο σύνδεσμος δεν οδηγεί σε αρχείο που μπορεί να βρεθεί")
                     : QStringLiteral("The link cannot be followed to a file");
    case base::Fault::HiddenName:
        return greek ? QStringLiteral("Κρυφό αρχείο (το όνομά του αρχίζει με «.»)")
                     : QStringLiteral("Hidden file (its name begins with '.')");
    case base::Fault::NotRegularFile:
        return greek ? QStringLiteral("Δεν είναι κανονικό αρχείο") : QStringLiteral("Not a regular file");
    case base::Fault::EntryMissing:
        return greek ? QStringLiteral("Η εγγραφή λείπει") : QStringLiteral("The entry is missing");
    case base::Fault::NoConverter:
        return greek ? QStringLiteral("Κανένας μετατροπέας") : QStringLiteral("No converter");
    case base::Fault::BadValue:
        return greek ? QStringLiteral("Λανθασμένη τιμή") : QStringLiteral("Wrong value");
    case base::Fault::BadCodePoint:
        return greek ? QStringLiteral("Δεν είναι σημείο κώδικα Unicode") : QStringLiteral("Not a Unicode code point");
    case base::Fault::CharsetSuffix:
        return greek ? QStringLiteral("Οι καταλήξεις // του iconv δεν ισχύουν εδώ: οι χαρακτήρες χωρίς αντίστοιχο "
                                      "γίνονται '?' και μετρώνται")
                     : QStringLiteral("iconv's // suffixes do not apply here: characters without an equivalent "
                                      "become '?' and are counted");
    case base::Fault::NoCarriageReturn:
        return greek ? QStringLiteral("Το byte 13 της δεν είναι επαναφορά (CR), που χρειάζονται οι αλλαγές γραμμής")
                     : QStringLiteral("Its byte 13 is no carriage return, which line ends need");
    case base::Fault::FileChanged:
        return greek ? QStringLiteral("Άλλαξε από τότε που εξετάστηκε")
                     : QStringLiteral("Changed since it was looked at");
    case base::Fault::TooLarge:
        return greek ? QStringLiteral("Πολύ μεγάλο") : QStringLiteral("Too large");
    case base::Fault::LockHeld:
        return greek ? QStringLiteral("Άλλο πρόγραμμα κρατούσε το κλείδωμά του όσο περιμέναμε· δοκιμάστε ξανά")
                     : QStringLiteral("Another program held its lock all the while we waited; try again");
    case base::Fault::NotStarted:
        return greek ? QStringLiteral("Το πρόγραμμα δεν μπόρεσε να ξεκινήσει")
                     : QStringLiteral("The program could not be started");
    case base::Fault::KeyInUse:
        return greek ? QStringLiteral("Το κλειδί υπάρχει ήδη στο αρχείο")
                     : QStringLiteral("The key is in the file already");
    }
    return QString::number(static_cast<int>(fault));
}

} // namespace

QString systemErrorText(int errnum)
{
    char buffer[256] = {};
    const char* text = errorTextOf(::strerror_r(errnum, buffer, sizeof buffer), buffer);
    if (!text || !*text)
        return QStringLiteral("Error %1").arg(errnum);
    return QString::fromLocal8Bit(text);
}

namespace {

bool hasGreekLetters(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x370 && c.unicode() <= 0x3FF; });
}

// The errno values file work meets, for when the C library has no Greek text of its own for them.
QString greekErrnoText(int errnum)
{
    static const std::pair<int, QStringView> kTexts[] = {
        {ENOENT, u"Δεν υπάρχει τέτοιο αρχείο ή κατάλογος"},
        {EACCES, u"Άρνηση πρόσβασης"},
        {EPERM, u"Η λειτουργία δεν επιτρέπεται"},
        {ENOSPC, u"Δεν έμεινε καθόλου χώρος στη συσκευή"},
        {EDQUOT, u"Ξεπεράστηκε το όριο χρήσης δίσκου"},
        {EROFS, u"Σύστημα αρχείων μόνο για ανάγνωση"},
        {EISDIR, u"Είναι κατάλογος"},
        {ENOTDIR, u"Δεν είναι κατάλογος"},
        {ELOOP, u"Υπερβολικά πολλά επίπεδα συμβολικών συνδέσμων"},
        {EXDEV, u"Μη έγκυρος σύνδεσμος μεταξύ συσκευών"},
        {EIO, u"Σφάλμα εισόδου/εξόδου"},
        {ENOMEM, u"Δεν είναι δυνατό να δεσμευτεί μνήμη"},
        {EFBIG, u"Πολύ μεγάλο αρχείο"},
        {EMFILE, u"Υπερβολικά πολλά ανοικτά αρχεία"},
        {ENFILE, u"Υπερβολικά πολλά ανοικτά αρχεία στο σύστημα"},
        {ENAMETOOLONG, u"Πολύ μεγάλο όνομα αρχείου"},
        {ETXTBSY, u"Αρχείο κειμένου σε χρήση"},
        {EBUSY, u"Συσκευή ή πόρος απασχολημένος"},
        {EEXIST, u"Το αρχείο υπάρχει"},
        {EAGAIN, u"Ο πόρος είναι προσωρινά μη διαθέσιμος"},
        {EINVAL, u"Μη έγκυρη παράμετρος"},
        {EPIPE, u"Διακοπείσα σωλήνωση"},
        {ESTALE, u"Μη έγκυρος χειριστής αρχείου δικτύου"},
        {ENXIO, u"Δεν υπάρχει τέτοια συσκευή ή διεύθυνση"},
        {EINTR, u"Διακοπείσα κλήση συστήματος"},
        {ENOTEMPTY, u"Ο κατάλογος δεν είναι κενός"},
        {EBADF, u"Εσφαλμένος περιγραφέας αρχείου"},
        {ENODEV, u"Δεν υπάρχει τέτοια συσκευή"},
        {EOVERFLOW, u"Τιμή πολύ μεγάλη για τον τύπο δεδομένων"},
        {EOPNOTSUPP, u"Η λειτουργία δεν υποστηρίζεται"},
    };
    for (const auto& [value, text] : kTexts) {
        if (value == errnum)
            return text.toString();
    }
    return QStringLiteral("Σφάλμα συστήματος %1").arg(errnum);
}

} // namespace

QString systemErrorText(int errnum, Language language)
{
    // The window keeps the system's text as the locale gives it, whatever language it shows.
    if (!catalogOpen())
        return systemErrorText(errnum);
    if (language == Language::English) {
        // Untranslated, whatever the locale: an English message (or the report) never holds another language.
        const char* english = ::strerrordesc_np(errnum);
        return english ? QString::fromLatin1(english) : QStringLiteral("Error %1").arg(errnum);
    }
    // The C library's Greek where it has one (LANGUAGE and the locale chose it), never its English.
    const QString system = systemErrorText(errnum);
    return hasGreekLetters(system) ? system : greekErrnoText(errnum);
}

QString errorText(const std::error_code& code, Language language)
{
    if (code.category() == base::faultCategory())
        return faultText(static_cast<base::Fault>(code.value()), language);
    return systemErrorText(code.value(), language);
}

} // namespace trelvick::lang
