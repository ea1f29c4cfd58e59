// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"
#include "lang/texts.h"
#include "rescueapp/phrasebook.h"

#include <QString>
#include <cstdint>

// Every text of the rescue window, in English: each is the message id of the gettext catalogues of po/,
// where its Greek translation lies, shown through the window's Phrasebook. The reasons of the engine's results are
// worded by rescue::reasonText, failures of the system by lang::errorText; nothing here is for scripts (the report is
// never translated).
namespace trelvick::rescueapp {

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
ControlTexts controlTexts(Control control, const Phrasebook& words);

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
QString columnTitle(Column column, const Phrasebook& words);

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
QString verdictText(Verdict verdict, const Phrasebook& words);

// The choices of the line-end list, in its order: keep, LF, CR LF.
QString lineEndsChoice(int index, const Phrasebook& words);
inline constexpr int kLineEndsChoices = 3;
// The choices of the language list, in the order of lang::Language, each in its own language.
QString languageChoice(Language shown);

QString rescueTitle(const Phrasebook& words);
// A language the guess names, in words.
QString languageName(guess::Language name, const Phrasebook& words);
QString percent(int value, const Phrasebook& words);
QString byteSize(std::int64_t bytes, const Phrasebook& words);
QString count(std::int64_t number, const Phrasebook& words);
QString duration(std::int64_t seconds, const Phrasebook& words);
// The start of a file as it will read: what stands for the line ends between its lines.
inline constexpr char16_t kLineMark[] = u" \u21b5 ";

// --- the status line and the lists --------------------------------------------------------------
QString noInputs(const Phrasebook& words);
QString walking(const Phrasebook& words);
QString scanning(const Phrasebook& words, std::int64_t files, std::int64_t total);
struct PlanCounts
{
    std::int64_t files = 0, convert = 0, copy = 0, unchanged = 0, inDoubt = 0, skip = 0, fail = 0;
};
QString planSummary(const Phrasebook& words, const PlanCounts& counts);
QString scanStopped(const Phrasebook& words, std::int64_t files, std::int64_t total);
QString converting(const Phrasebook& words, std::int64_t files, std::int64_t total, const QString& bytes,
                   const QString& left);
struct DoneCounts
{
    std::int64_t files = 0, converted = 0, copied = 0, unchanged = 0, skipped = 0, failed = 0;
};
QString convertSummary(const Phrasebook& words, const DoneCounts& counts);
QString convertStopped(const Phrasebook& words, std::int64_t files, std::int64_t total);
QString reportSaved(const Phrasebook& words, const QString& path);
QString reportFailed(const Phrasebook& words, const QString& path, const QString& error);
QString jobFailed(const Phrasebook& words, const QString& error);
QString undoing(const Phrasebook& words);
QString undoSummary(const Phrasebook& words, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed);
// A line of the problems list: the file and why.
QString problem(const QString& name, const QString& reason);
QString undoChanged(const Phrasebook& words);
QString undoNoBackup(const Phrasebook& words);
QString yourChoice(const Phrasebook& words);

// --- boxes and dialogs ----------------------------------------------------------------------------
QString chooseInputTitle(const Phrasebook& words);
QString chooseOutputTitle(const Phrasebook& words);
QString dialogFailure(const Phrasebook& words, const QString& error);
QString outputInsideInput(const Phrasebook& words, const QString& folder);
QString outputMissing(const Phrasebook& words);
QString noTargetCodepage(const Phrasebook& words, const QString& error);

// --- the command line -----------------------------------------------------------------------------
QByteArray usage();
QByteArray unknownOption(const QString& option);

} // namespace trelvick::rescueapp
