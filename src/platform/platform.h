// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace trelvick::platform {

enum class Icon
{
    Stop,
    Question,
    Exclamation,
    Information,
};

enum class Buttons
{
    Ok,
    YesNo, // Yes is the default
};

enum class Answer
{
    Ok,
    Yes,
    No,
};

struct MessageBoxRequest
{
    QString title;
    QString text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    lang::ButtonTexts labels;
};

struct FileDialogRequest
{
    QString title;
    QString filter;
    QString folder;
    QString fileName;                                // save-as only: the name filled in
    lang::Language language = lang::Language::Greek; // of the dialog's own refusals
};

struct FileDialogResult
{
    enum Outcome
    {
        Chosen,
        Cancelled,
        Failed,
    };
    Outcome outcome = Cancelled;
    QStringList names; // full paths, in the order the dialog gave them
    base::Error error; // Failed: why, worded by the window in its language (lang::errorText)
};

struct InputBoxRequest
{
    QString title;
    QString prompt;
    lang::ButtonTexts labels;
};

// Everything modal or outside the program goes through here, so that the window can be driven by a
// scripted implementation in tests: boxes, dialogs, the input box, external programs, the beep,
// the help viewer and the end of the program.
class Platform
{
public:
    virtual ~Platform() = default;

    // The folder that holds the running program (no trailing separator unless it is "/").
    virtual QString programFolder() = 0;
    // Claims this user's single-instance lock; true when another running copy holds it. A lock that
    // cannot be made at all (an unwritable runtime folder) is an error with the system's errno:
    // starting without the protection would let two copies run.
    virtual base::Expected<bool> anotherInstanceRunning() = 0;
    virtual void setApplicationTitle(const QString& title) = 0;

    virtual void beep() = 0;
    virtual Answer messageBox(const MessageBoxRequest& request) = 0;
    virtual FileDialogResult openFiles(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;
    // One existing folder (title and folder of the request; the filter and file name are not used).
    virtual FileDialogResult chooseFolder(const FileDialogRequest& request) = 0;
    // The text typed, or an empty string for Cancel.
    virtual QString inputBox(const InputBoxRequest& request) = 0;

    // Opens the help file in a viewer beside the window, without waiting for it; a file that cannot be
    // read is named there with the reason, in language.
    virtual void showHelp(const QString& path, lang::Language language) = 0;
    // program is run directly (no shell) with argument as its only argument, untouched. Both give no
    // error once the program has started, else why it could not start (an errno value where the system
    // says one, see processes.h); the window words it in its own language.
    virtual base::Error startDetached(const QString& program, const QString& argument) = 0;
    virtual base::Error runAndWait(const QString& program, const QString& argument) = 0;

    virtual void bringToFront(QWidget* window) = 0;
    // Lets pending window events through (repaints, refused clicks, close requests).
    virtual void processEvents() = 0;
    // Asks the event loop to end with status; the caller returns at once and runs nothing more.
    virtual void endProgram(int status) = 0;
};

} // namespace trelvick::platform
