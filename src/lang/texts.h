// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

// Every text the program shows, in Greek and in English. Handlers never hold literal texts: they
// ask here, at the moment they show something, in the language then in force.
namespace trelvick::lang {

enum class Language
{
    Greek,
    English,
};

// Joins the paragraphs of multi-part messages.
inline constexpr char16_t kLineBreak[] = u"\r\n";

struct Message
{
    QString title;
    QString text;
};

struct ButtonTexts
{
    QString ok;
    QString yes;
    QString no;
    QString cancel;
};

// Message and input box buttons in the interface language.
ButtonTexts buttonTexts(Language language);
// The start-up boxes are bilingual and carry a plain "OK".
ButtonTexts bilingualButtonTexts();

// --- window captions ---------------------------------------------------------------------------
QString windowTitle();
QString inputFrameCaption(Language language);
QString outputFrameCaption(Language language);
QString languageFrameCaption(Language language);
QString converterLabel(Language language);
QString copyrightLabel(Language language);

enum class Tip
{
    Select,
    QuickView,
    Edit,
    Rename,
    Delete,
    Conversion,
    Exit,
    Greek,
    English,
    Information,
};
QString tooltip(Tip tip, Language language);

QString helpFileName(Language language);

// --- start-up (bilingual, titled "Trelvick - Trelvick") ---------------------------------------
QString startupTitle();
QString duplicateInstanceTitle();
QString secondInstanceText();
QString missingConfigText(const QString& path);                        // C1
QString missingCountText(const QString& path);                         // C2
QString wrongCountText(const QString& path);                           // C3
QString noConverterText(const QString& path);                          // C4
QString startupFailureText(const QString& error, const QString& path); // C5

// --- the common failure form: "Error 'E' has occured." + two line breaks + sentence ------------
// E, the system's description of the failure, is shown in capitals here and at start-up; callers
// pass it as the system gave it.
QString failureText(Language language, const QString& error, const QString& sentence);

// --- file selection ----------------------------------------------------------------------------
QString inputDialogTitle(Language language);
QString outputDialogTitle(Language language);
QString fileFilter(Language language);
Message inputDialogFailure(Language language, const QString& error);
// The save-as dialog refuses these and stays open.
QString outputFolderMissing(Language language, const QString& folder);
QString outputFileReadOnly(Language language, const QString& path);

// --- information line --------------------------------------------------------------------------
QString inputInfoLine(Language language, std::int64_t size, const QString& date);

// --- conversion run ----------------------------------------------------------------------------
Message wrongNames(Language language);
// A name that the file system holds in bytes the window cannot show (not UTF-8).
Message unrepresentableName(Language language, const QString& path);
Message previousResults(Language language);
Message endOfConversion(Language language, const QString& description, std::int64_t changed);
Message conversionFailure(Language language, const QString& error);
Message missingCodeSection(Language language, const QString& description);
QString batchLabel(Language language, std::int64_t number, std::int64_t count);

// --- multiple-file conversion ------------------------------------------------------------------
Message batchQuestion(Language language, std::int64_t count, const QString& folder);

// --- viewer and editor -------------------------------------------------------------------------
Message editNotice(Language language, const QString& path);
Message quickViewFailure(Language language, const QString& error);
Message editFailure(Language language, const QString& error);

// --- rename and delete -------------------------------------------------------------------------
enum class Side
{
    Input,
    Output,
};
QString renameTitle(Language language);
QString renamePrompt(Language language, Side side);
Message deleteQuestion(Language language, Side side, const QString& path);
Message renameFailure(Language language, const QString& error);
Message deleteFailure(Language language, const QString& error);

} // namespace trelvick::lang
