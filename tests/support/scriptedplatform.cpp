// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptedplatform.h"

#include "platform/processes.h"

#include <QCoreApplication>
#include <QTest>

namespace trelvick::testing {

using platform::Answer;
using platform::FileDialogResult;

namespace {
// The next queued answer; with none queued, the request is unplanned and gets the empty answer.
template <typename T> T next(QList<T>& queue, QStringList& unexpected, const QString& request)
{
    if (queue.isEmpty()) {
        unexpected << request;
        return {};
    }
    return queue.takeFirst();
}
} // namespace

ScriptedPlatform::~ScriptedPlatform()
{
    QStringList left = unexpected;
    if (!answers.isEmpty())
        left << u"%1 box answer(s) never asked for"_qs.arg(answers.size());
    if (!openResults.isEmpty() || !saveResults.isEmpty() || !folderResults.isEmpty())
        left << u"%1 dialog result(s) never asked for"_qs.arg(openResults.size() + saveResults.size() +
                                                              folderResults.size());
    if (!inputAnswers.isEmpty())
        left << u"%1 input answer(s) never asked for"_qs.arg(inputAnswers.size());
    // A test that has already failed needs no second report.
    if (!QTest::currentTestFailed())
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u"; "_qs)));
}

base::Expected<bool> ScriptedPlatform::anotherInstanceRunning()
{
    if (lockFailure != 0)
        return base::Error::system(lockFailure);
    return otherInstance;
}

Answer ScriptedPlatform::messageBox(const platform::MessageBoxRequest& request)
{
    log << u"box:"_qs + request.title;
    boxes << request;
    if (onMessageBox)
        onMessageBox(request);
    const bool notice = request.buttons == platform::Buttons::Ok;
    if (answers.isEmpty() || (answers.front() == Answer::Ok) != notice) {
        unexpected << (notice ? u"notice: "_qs : u"question: "_qs) + request.title;
        return notice ? Answer::Ok : Answer::No;
    }
    return answers.takeFirst();
}

FileDialogResult ScriptedPlatform::openFiles(const platform::FileDialogRequest& request)
{
    log << u"open"_qs;
    openRequests << request;
    return next(openResults, unexpected, u"open dialog: "_qs + request.title);
}

FileDialogResult ScriptedPlatform::saveFile(const platform::FileDialogRequest& request)
{
    log << u"save"_qs;
    saveRequests << request;
    return next(saveResults, unexpected, u"save dialog: "_qs + request.title);
}

FileDialogResult ScriptedPlatform::chooseFolder(const platform::FileDialogRequest& request)
{
    log << u"folder"_qs;
    folderRequests << request;
    return next(folderResults, unexpected, u"folder dialog: "_qs + request.title);
}

QString ScriptedPlatform::inputBox(const platform::InputBoxRequest& request)
{
    log << u"input"_qs;
    inputRequests << request;
    return next(inputAnswers, unexpected, u"input box: "_qs + request.title);
}

void ScriptedPlatform::showHelp(const QString& path, lang::Language language)
{
    log << u"help"_qs;
    helpShown << path;
    helpLanguages << language;
}

base::Error ScriptedPlatform::startDetached(const QString& program, const QString& argument)
{
    log << u"start"_qs;
    return startFailure ? startFailure : platform::startProgramDetached(program, argument);
}

base::Error ScriptedPlatform::runAndWait(const QString& program, const QString& argument)
{
    log << u"wait"_qs;
    return startFailure ? startFailure : platform::runProgramAndWait(program, argument);
}

void ScriptedPlatform::processEvents()
{
    QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}

void ScriptedPlatform::endProgram(int status)
{
    log << u"end"_qs;
    if (exitStatus != -1)
        unexpected << u"ended twice"_qs;
    exitStatus = status;
}

} // namespace trelvick::testing
