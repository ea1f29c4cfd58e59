// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"
#include "lang/texts.h"

#include <QString>
#include <cstdint>

// Every text of the rescue window, each in English and in Greek side by side, so that the lot can move
// into the gettext catalogues of po/ as they are (the English text the message id, the Greek its
// translation). The reasons of the engine's results are worded by rescue::reasonText, failures of the
// system by lang::errorText; nothing here is for scripts (the report is never translated).
namespace trelvick::rescueapp {

using lang::Language;

// The language gettext would show the messages in, told by the variables it reads: the locale that
// governs messages (LC_ALL, else LC_MESSAGES, else LANG), and, unless that locale is C or POSIX,
// LANGUAGE, a priority list ("de:el") whose first language with texts wins, English being the texts
// as written. So LANGUAGE=el with LANG=en_GB.UTF-8 is Greek, LANGUAGE=el with LANG=C is English.
Language languageOf(const QString& language, const QString& lcAll, const QString& lcMessages, const QString& lang);
// The same, read from this process's environment.
Language systemLanguage();

// Every control of the window: what it shows, the name a screen reader says for it, and what it does.
enum class Control
{
    Inputs,
    AddFolder,
    Rescan,
    InPlace,
    IntoFolder,
    OutputFolder,
    ChooseOutput,
    ConvertNames,
    LineEnds,
    LanguageChoice,
    OnlyInDoubt,
    Plan,
    Candidates,
    ReadAs,
    LeaveAlone,
    AsGuessed,
    Progress,
    Status,
    Convert,
    Cancel,
    Undo,
    Report,
    Problems,
};
struct ControlTexts
{
    QString caption; // with its & mnemonic, where it shows one
    QString name;
    QString description;
};
ControlTexts controlTexts(Control control, Language language);

enum class Column
{
    Name,
    NewName,
    Codepage,
    Language,
    Confidence,
    Action,
    Preview,
    Note,
};
inline constexpr int kColumnCount = static_cast<int>(Column::Note) + 1;
QString columnTitle(Column column, Language language);

// What the plan says will happen to an entry, or, once the conversion has run, what did.
enum class Verdict
{
    Convert,
    Copy,
    Unchanged,
    InDoubt,
    Skip,
    Fail,
    ChosenConvert, // the user chose the codepage
    ChosenSkip,    // the user chose to leave it
    Converted,
    Copied,
    LeftUnchanged,
    Skipped,
    Failed,
};
QString verdictText(Verdict verdict, Language language);

// The choices of the line-end list, in its order: keep, LF, CR LF.
QString lineEndsChoice(int index, Language language);
inline constexpr int kLineEndsChoices = 3;
// The choices of the language list, in the order of lang::Language, each in its own language.
QString languageChoice(Language shown);

QString rescueTitle(Language language);
// A language the guess names, in words.
QString languageName(guess::Language name, Language language);
QString percent(int value, Language language);
QString byteSize(std::int64_t bytes, Language language);
QString count(std::int64_t number, Language language);
QString duration(std::int64_t seconds, Language language);
// The start of a file as it will read: what stands for the line ends between its lines.
inline constexpr char16_t kLineMark[] = u" \u21b5 ";

// --- the status line and the lists --------------------------------------------------------------
QString noInputs(Language language);
QString walking(Language language);
QString scanning(Language language, std::int64_t files, std::int64_t total);
struct PlanCounts
{
    std::int64_t files = 0, convert = 0, copy = 0, unchanged = 0, inDoubt = 0, skip = 0, fail = 0;
};
QString planSummary(Language language, const PlanCounts& counts);
QString scanStopped(Language language, std::int64_t files, std::int64_t total);
QString converting(Language language, std::int64_t files, std::int64_t total, const QString& bytes,
                   const QString& left);
struct DoneCounts
{
    std::int64_t files = 0, converted = 0, copied = 0, unchanged = 0, skipped = 0, failed = 0;
};
QString convertSummary(Language language, const DoneCounts& counts);
QString convertStopped(Language language, std::int64_t files, std::int64_t total);
QString reportSaved(Language language, const QString& path);
QString reportFailed(Language language, const QString& path, const QString& error);
QString jobFailed(Language language, const QString& error);
QString undoing(Language language);
QString undoSummary(Language language, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed);
// A line of the problems list: the file and why.
QString problem(const QString& name, const QString& reason);
QString undoChanged(Language language);
QString undoNoBackup(Language language);
QString yourChoice(Language language);

// --- boxes and dialogs ----------------------------------------------------------------------------
QString chooseInputTitle(Language language);
QString chooseOutputTitle(Language language);
QString dialogFailure(Language language, const QString& error);
QString outputInsideInput(Language language, const QString& folder);
QString outputMissing(Language language);
QString noTargetCodepage(Language language, const QString& error);

// --- the command line -----------------------------------------------------------------------------
QByteArray usage();
QByteArray unknownOption(const QString& option);

} // namespace trelvick::rescueapp
