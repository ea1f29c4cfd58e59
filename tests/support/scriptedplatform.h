// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace trelvick::testing {

// A Platform that records every box, dialog and program start and answers from queues that the
// test fills beforehand. Every message box takes the next answer (Ok for a notice, Yes or No for a
// question); a box, dialog or input box with no fitting answer queued is recorded in `unexpected`
// (and answered No / Cancel). When the platform goes, the unexpected and any answer left unasked
// fail the test that ran it. External programs run for real (no shell).
class ScriptedPlatform final : public platform::Platform
{
public:
    ScriptedPlatform() = default;
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;
    ~ScriptedPlatform() override;

    // --- what the test sets up
    QString folder;                                  // the program folder
    bool otherInstance = false;                      // another copy holds the lock
    int lockFailure = 0;                             // the lock cannot be made: this errno
    QList<platform::Answer> answers;                 // for every message box, in order
    QList<platform::FileDialogResult> openResults;   // for the open dialog
    QList<platform::FileDialogResult> saveResults;   // for the save-as dialog
    QList<platform::FileDialogResult> folderResults; // for the folder chooser
    QStringList inputAnswers;                        // for the input box
    base::Error startFailure;                        // when set, every program start fails with it, nothing runs
    std::function<void()> onProcessEvents;           // runs each time the window yields
    std::function<void(const platform::MessageBoxRequest&)> onMessageBox;

    // --- what the test reads afterwards
    QStringList log; // "beep", "box:<title>", "open", "save", "folder", "input", "help", "start", "wait", "end"
    QList<platform::MessageBoxRequest> boxes;
    QList<platform::FileDialogRequest> openRequests;
    QList<platform::FileDialogRequest> saveRequests;
    QList<platform::FileDialogRequest> folderRequests;
    QList<platform::InputBoxRequest> inputRequests;
    QStringList helpShown;
    QList<lang::Language> helpLanguages;
    QStringList unexpected;
    QString applicationTitle;
    int exitStatus = -1; // -1: the program was not told to end

    QString programFolder() override { return folder; }
    base::Expected<bool> anotherInstanceRunning() override;
    void setApplicationTitle(const QString& title) override { applicationTitle = title; }
    void beep() override { log << u"beep"_qs; }
    platform::Answer messageBox(const platform::MessageBoxRequest& request) override;
    platform::FileDialogResult openFiles(const platform::FileDialogRequest& request) override;
    platform::FileDialogResult saveFile(const platform::FileDialogRequest& request) override;
    platform::FileDialogResult chooseFolder(const platform::FileDialogRequest& request) override;
    QString inputBox(const platform::InputBoxRequest& request) override;
    void showHelp(const QString& path, lang::Language language) override;
    base::Error startDetached(const QString& program, const QString& argument) override;
    base::Error runAndWait(const QString& program, const QString& argument) override;
    void bringToFront(QWidget*) override {}
    void processEvents() override;
    void endProgram(int status) override;

    static platform::FileDialogResult chosen(const QStringList& names)
    {
        return {platform::FileDialogResult::Chosen, names, {}};
    }
};

} // namespace trelvick::testing
