// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptedplatform.h"

#include "platform/processes.h"

#include <QCoreApplication>

#include <stdexcept>
#include <utility>

namespace trelvick::testing {

using platform::Answer;
using platform::FileDialogResult;

namespace {
// Outlives each test's fixture so that cleanup() can read it.
QStringList& unplannedRecord()
{
    static QStringList record;
    return record;
}
} // namespace

QStringList takeUnplanned()
{
    return std::exchange(unplannedRecord(), {});
}

ScriptedPlatform::~ScriptedPlatform()
{
    QStringList left = unexpected;
    if (!answers.isEmpty())
        left << QStringLiteral("%1 box answer(s) never asked for").arg(answers.size());
    if (!openResults.isEmpty() || !saveResults.isEmpty())
        left << QStringLiteral("%1 dialog result(s) never asked for").arg(openResults.size() + saveResults.size());
    if (!inputAnswers.isEmpty())
        left << QStringLiteral("%1 input answer(s) never asked for").arg(inputAnswers.size());
    unplannedRecord() << left;
}

QString ScriptedPlatform::programFolder()
{
    return folder;
}

bool ScriptedPlatform::anotherInstanceRunning()
{
    if (!lockFailure.isEmpty())
        throw std::runtime_error(lockFailure.toStdString());
    return otherInstance;
}

void ScriptedPlatform::setApplicationTitle(const QString& title)
{
    applicationTitle = title;
}

void ScriptedPlatform::beep()
{
    log << QStringLiteral("beep");
}

Answer ScriptedPlatform::messageBox(const platform::MessageBoxRequest& request)
{
    log << QStringLiteral("box:") + request.title;
    boxes << request;
    if (onMessageBox)
        onMessageBox(request);
    const bool notice = request.buttons == platform::Buttons::Ok;
    if (answers.isEmpty() || (answers.front() == Answer::Ok) != notice) {
        unexpected << (notice ? QStringLiteral("notice: ") : QStringLiteral("question: ")) + request.title;
        return notice ? Answer::Ok : Answer::No;
    }
    return answers.takeFirst();
}

FileDialogResult ScriptedPlatform::openFiles(const platform::FileDialogRequest& request)
{
    log << QStringLiteral("open");
    openRequests << request;
    if (openResults.isEmpty()) {
        unexpected << QStringLiteral("open dialog: ") + request.title;
        return cancelled();
    }
    return openResults.takeFirst();
}

FileDialogResult ScriptedPlatform::saveFile(const platform::FileDialogRequest& request)
{
    log << QStringLiteral("save");
    saveRequests << request;
    if (saveResults.isEmpty()) {
        unexpected << QStringLiteral("save dialog: ") + request.title;
        return cancelled();
    }
    return saveResults.takeFirst();
}

QString ScriptedPlatform::inputBox(const platform::InputBoxRequest& request)
{
    log << QStringLiteral("input");
    inputRequests << request;
    if (inputAnswers.isEmpty()) {
        unexpected << QStringLiteral("input box: ") + request.title;
        return {};
    }
    return inputAnswers.takeFirst();
}

void ScriptedPlatform::showHelp(const QString& path)
{
    log << QStringLiteral("help");
    helpShown << path;
}

platform::StartResult ScriptedPlatform::startDetached(const QString& program, const QString& argument)
{
    log << QStringLiteral("start");
    programsStarted << QStringList{program, argument};
    if (!realPrograms)
        return {};
    return platform::startProgramDetached(program, argument);
}

platform::StartResult ScriptedPlatform::runAndWait(const QString& program, const QString& argument)
{
    log << QStringLiteral("wait");
    programsStarted << QStringList{program, argument};
    if (!realPrograms)
        return {};
    return platform::runProgramAndWait(program, argument);
}

void ScriptedPlatform::bringToFront(QWidget*) {}

void ScriptedPlatform::processEvents()
{
    ++processEventsCalls;
    QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}

void ScriptedPlatform::endProgram(int status)
{
    log << QStringLiteral("end");
    if (ended)
        unexpected << QStringLiteral("ended twice");
    ended = true;
    exitStatus = status;
}

FileDialogResult ScriptedPlatform::chosen(const QStringList& names)
{
    return {FileDialogResult::Chosen, names, {}};
}

FileDialogResult ScriptedPlatform::cancelled()
{
    return {FileDialogResult::Cancelled, {}, {}};
}

FileDialogResult ScriptedPlatform::failed(const QString& error)
{
    return {FileDialogResult::Failed, {}, error};
}

} // namespace trelvick::testing
