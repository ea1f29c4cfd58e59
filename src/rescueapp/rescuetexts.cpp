// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/rescuetexts.h"

#include "base/version.h"
#include "lang/catalog.h"
#include "lang/escape.h"

#include <QLocale>
#include <QStringList>
#include <array>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;

namespace {

QLocale localeOf(Language language)
{
    return language == Language::Greek ? QLocale(QLocale::Greek, QLocale::Greece)
                                       : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

bool isLanguage(QStringView entry, QStringView code)
{
    return entry.startsWith(code) && (entry.size() == code.size() || !entry.at(code.size()).isLetter());
}

// caption, name, description; by Control. The English texts are the message ids of the catalogue.
struct ControlIds
{
    const char* caption;
    const char* name;
    const char* description;
};
constexpr std::array<ControlIds, static_cast<std::size_t>(Control::Problems) + 1> kControls = {{
    {N_("Folders and files:"), N_("Folders and files"), N_("The folders and files the plan covers")},
    {N_("Add &folder…"), N_("Add folder"), N_("Choose a folder of the archive and add it to the plan")},
    {N_("&Scan again"), N_("Scan again"), N_("Look at every file again with the options chosen; nothing is written")},
    {N_("In place, with &backups"), N_("In place, with backups"),
     N_("Each file is replaced by its conversion and its original kept beside it as NAME~")},
    {N_("Into a &new folder:"), N_("Into a new folder"),
     N_("The converted archive is written into a folder of its own; the originals stay as they are")},
    {"", N_("New folder"), N_("Where the converted archive goes")},
    {N_("C&hoose…"), N_("Choose the new folder"), N_("Choose the folder the converted archive goes into")},
    {N_("Convert file na&mes"), N_("Convert file names"),
     N_("File and folder names that are not UTF-8 get their readable name")},
    {N_("Line &ends:"), N_("Line ends"), N_("What the line ends of the converted files become")},
    {N_("Lan&guage:"), N_("Language"), N_("The language of the window")},
    {N_("Only the files in &doubt"), N_("Only the files in doubt"),
     N_("Show only the files whose codepage the guess is not sure of")},
    {"", N_("Plan"), N_("Every file of the archive and what will become of it")},
    {N_("Likely codepages:"), N_("Likely codepages"),
     N_("The codepages the selected file may be in, each with its start as it would read")},
    {N_("&Read as this"), N_("Read as this"), N_("Read the selected files in the codepage chosen in the list")},
    {N_("Lea&ve alone"), N_("Leave alone"), N_("Leave the selected files as they are")},
    {N_("&As guessed"), N_("As guessed"), N_("Drop your choice for the selected files: the guess decides again")},
    {"", N_("Progress"), N_("How far the scan or the conversion has got")},
    {"", N_("Status"), N_("What the window is doing, and the summary at the end")},
    {N_("&Convert"), N_("Convert"), N_("Convert the archive as the plan says")},
    {N_("Cance&l"), N_("Cancel"), N_("Stop once the files under way are done; no file is left half-written")},
    {N_("&Undo"), N_("Undo"), N_("Put every converted file and name back as it was, from the backups")},
    {"", N_("Report"), N_("Where the report of the conversion was saved")},
    {N_("Problems:"), N_("Problems"), N_("Every file that could not be done as asked, with the reason")},
}};

constexpr std::array<const char*, kColumnCount> kColumns = {{
    N_("Name"),
    N_("New name"),
    N_("Codepage"),
    N_("Language"),
    N_("Confidence"),
    N_("Action"),
    N_("Preview"),
    N_("Note"),
}};

constexpr std::array<const char*, static_cast<std::size_t>(Verdict::Failed) + 1> kVerdicts = {{
    N_("convert"),
    N_("copy"),
    N_("unchanged"),
    N_("in doubt"),
    N_("skip"),
    N_("will fail"),
    N_("convert (your choice)"),
    N_("leave (your choice)"),
    N_("converted"),
    N_("copied"),
    N_("unchanged"),
    N_("skipped"),
    N_("failed"),
}};

constexpr std::array<const char*, guess::kLanguageCount> kLanguages = {{
    "",
    N_("English"),
    N_("Greek"),
    N_("German"),
    N_("French"),
    N_("Spanish"),
    N_("Italian"),
    N_("Portuguese"),
    N_("Dutch"),
    N_("Swedish"),
    N_("Danish"),
    N_("Norwegian"),
    N_("Finnish"),
    N_("Polish"),
    N_("Czech"),
    N_("Slovak"),
    N_("Hungarian"),
    N_("Romanian"),
    N_("Croatian"),
    N_("Slovenian"),
    N_("Serbian"),
    N_("Russian"),
    N_("Ukrainian"),
    N_("Bulgarian"),
    N_("Turkish"),
    N_("Lithuanian"),
    N_("Latvian"),
    N_("Estonian"),
    N_("Hebrew"),
    N_("Arabic"),
}};

constexpr std::array<const char*, kLineEndsChoices> kLineEnds = {{
    N_("as they are"),
    N_("LF (Linux)"),
    N_("CR LF (DOS, Windows)"),
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

ControlTexts controlTexts(Control control, const Phrasebook& words)
{
    const ControlIds& ids = kControls[static_cast<std::size_t>(control)];
    return {words.tr(ids.caption), words.tr(ids.name), words.tr(ids.description)};
}

QString columnTitle(Column column, const Phrasebook& words)
{
    return words.tr(kColumns[static_cast<std::size_t>(column)]);
}

QString verdictText(Verdict verdict, const Phrasebook& words)
{
    return words.tr(kVerdicts[static_cast<std::size_t>(verdict)]);
}

QString lineEndsChoice(int index, const Phrasebook& words)
{
    return words.tr(kLineEnds[static_cast<std::size_t>(index)]);
}

QString languageChoice(Language shown)
{
    return shown == Language::Greek ? u"Ελληνικά"_s : u"English"_s;
}

QString rescueTitle(const Phrasebook& words)
{
    return words.tr("Trelvick Rescue");
}

QString languageName(guess::Language name, const Phrasebook& words)
{
    // The catalogue has the names as they run in the command line's sentences ("ελληνικά"); in the
    // window they stand alone, and start with a capital.
    const auto index = static_cast<std::size_t>(name);
    QString shown = index < kLanguages.size() ? words.tr(kLanguages[index]) : QString();
    if (!shown.isEmpty())
        shown[0] = shown.at(0).toUpper();
    return shown;
}

QString percent(int value, const Phrasebook& words)
{
    return localeOf(words.language()).toString(value) + u" %"_s;
}

QString byteSize(std::int64_t bytes, const Phrasebook& words)
{
    const QLocale locale = localeOf(words.language());
    constexpr double kKiB = 1024.0;
    if (bytes < 1024)
        return locale.toString(qlonglong(bytes)) + u" B"_s;
    if (bytes < 1024 * 1024)
        return locale.toString(double(bytes) / kKiB, 'f', 1) + u" KiB"_s;
    if (bytes < std::int64_t(1024) * 1024 * 1024)
        return locale.toString(double(bytes) / (kKiB * kKiB), 'f', 1) + u" MiB"_s;
    return locale.toString(double(bytes) / (kKiB * kKiB * kKiB), 'f', 2) + u" GiB"_s;
}

QString count(std::int64_t number, const Phrasebook& words)
{
    return localeOf(words.language()).toString(qlonglong(number));
}

QString duration(std::int64_t seconds, const Phrasebook& words)
{
    if (seconds < 60)
        return words.tr("%1 s").arg(seconds);
    return words.tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString noInputs(const Phrasebook& words)
{
    return words.tr("Add a folder of the archive to begin.");
}

QString walking(const Phrasebook& words)
{
    return words.tr("Looking through the folders…");
}

QString scanning(const Phrasebook& words, std::int64_t files, std::int64_t total)
{
    return words.trn("Scanning: %1 of %2 file", "Scanning: %1 of %2 files", total)
        .arg(count(files, words), count(total, words));
}

QString planSummary(const Phrasebook& words, const PlanCounts& c)
{
    return words
        .trn("%1 file: %2 to convert, %3 to copy, %4 unchanged, %5 in doubt, %6 to skip, %7 will fail. Nothing has "
             "been written yet.",
             "%1 files: %2 to convert, %3 to copy, %4 unchanged, %5 in doubt, %6 to skip, %7 will fail. Nothing has "
             "been written yet.",
             c.files)
        .arg(count(c.files, words), count(c.convert, words), count(c.copy, words), count(c.unchanged, words),
             count(c.inDoubt, words), count(c.skip, words), count(c.fail, words));
}

QString scanStopped(const Phrasebook& words, std::int64_t files, std::int64_t total)
{
    return words
        .trn("The scan stopped after %1 of %2 file: scan again before converting.",
             "The scan stopped after %1 of %2 files: scan again before converting.", total)
        .arg(count(files, words), count(total, words));
}

QString converting(const Phrasebook& words, std::int64_t files, std::int64_t total, const QString& bytes,
                   const QString& left)
{
    if (left.isEmpty())
        return words.trn("Converting: %1 of %2 file, %3", "Converting: %1 of %2 files, %3", total)
            .arg(count(files, words), count(total, words), bytes);
    return words
        .trn("Converting: %1 of %2 file, %3, about %4 left", "Converting: %1 of %2 files, %3, about %4 left", total)
        .arg(count(files, words), count(total, words), bytes, left);
}

QString convertSummary(const Phrasebook& words, const DoneCounts& c)
{
    return words
        .trn("%1 file: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed.",
             "%1 files: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed.", c.files)
        .arg(count(c.files, words), count(c.converted, words), count(c.copied, words), count(c.unchanged, words),
             count(c.skipped, words), count(c.failed, words));
}

QString convertStopped(const Phrasebook& words, std::int64_t files, std::int64_t total)
{
    return words
        .trn("Cancelled after %1 of %2 file: each file is either converted whole or as it was.",
             "Cancelled after %1 of %2 files: each file is either converted whole or as it was.", total)
        .arg(count(files, words), count(total, words));
}

QString reportSaved(const Phrasebook& words, const QString& path)
{
    return words.tr("Report saved in %1").arg(path);
}

QString reportFailed(const Phrasebook& words, const QString& path, const QString& error)
{
    return words.tr("The report could not be saved in %1: %2").arg(path, error);
}

QString jobFailed(const Phrasebook& words, const QString& error)
{
    return words.tr("Stopped: %1. Each file is either done whole or as it was.").arg(error);
}

QString undoing(const Phrasebook& words)
{
    return words.tr("Putting the files back…");
}

QString undoSummary(const Phrasebook& words, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed)
{
    return words
        .trn("Undone: %1 file restored, %2 names given back, %3 left as they are, %4 failed.",
             "Undone: %1 files restored, %2 names given back, %3 left as they are, %4 failed.", restored)
        .arg(count(restored, words), count(renamed, words), count(left, words), count(failed, words));
}

QString problem(const QString& name, const QString& reason)
{
    return name + u": "_s + reason;
}

QString undoChanged(const Phrasebook& words)
{
    return words.tr("changed since the conversion: left as it is");
}

QString undoNoBackup(const Phrasebook& words)
{
    return words.tr("converted without a backup: nothing to put back");
}

QString yourChoice(const Phrasebook& words)
{
    return words.tr("your choice");
}

QString chooseInputTitle(const Phrasebook& words)
{
    return words.tr("Choose a folder of the archive");
}

QString chooseOutputTitle(const Phrasebook& words)
{
    return words.tr("Choose the new folder");
}

QString dialogFailure(const Phrasebook& words, const QString& error)
{
    return words.tr("The folder could not be chosen: %1").arg(error);
}

QString outputInsideInput(const Phrasebook& words, const QString& folder)
{
    return words.tr("The new folder %1 lies inside the archive: its results would be converted again. Choose another.")
        .arg(folder);
}

QString outputMissing(const Phrasebook& words)
{
    return words.tr("Choose the new folder first.");
}

QString noTargetCodepage(const Phrasebook& words, const QString& error)
{
    return words.tr("This system cannot convert into UTF-8: %1").arg(error);
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
