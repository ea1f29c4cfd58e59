// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/processes.h"

#include "files/posixfile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::platform {

namespace {

// QProcess says only which kind of failure it was; only a failed start can happen here, as nothing
// is read from or written to the program and nothing waits with a time-out.
base::Error processError(const QProcess& process)
{
    switch (process.error()) {
    case QProcess::FailedToStart:
        return whyNotStarted(process.program());
    case QProcess::Timedout:
        return base::Error::system(ETIMEDOUT);
    case QProcess::ReadError:
    case QProcess::WriteError:
        return base::Error::system(EIO);
    case QProcess::Crashed:
    case QProcess::UnknownError:
        break;
    }
    return base::Error::fault(base::Fault::NotStarted);
}

// The interpreter a "#!" line names, or nothing for a file without one.
QByteArray interpreterOf(const QByteArray& path)
{
    files::InputFile file;
    char head[256];
    const std::int64_t got = file.open(path) ? file.read(head, sizeof head) : -1;
    if (got < 2 || head[0] != '#' || head[1] != '!')
        return {};
    const QByteArray line = QByteArray(head + 2, got - 2).split('\n').front().simplified();
    return line.split(' ').front();
}

} // namespace

base::Error whyNotStarted(const QString& program)
{
    const QString path = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return base::Error::system(ENOENT);
    const QByteArray native = QFile::encodeName(path);
    if (::access(native.constData(), X_OK) != 0)
        return base::Error::system(errno);
    struct stat status = {};
    if (::stat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return base::Error::system(EACCES);
    // The system runs a script through its interpreter, and fails with that one's reason.
    const QByteArray interpreter = interpreterOf(native);
    if (!interpreter.isEmpty() && ::access(interpreter.constData(), X_OK) != 0)
        return base::Error::system(errno);
    return base::Error::fault(base::Fault::NotStarted);
}

base::Error startProgramDetached(const QString& program, const QString& argument)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    // The viewer lives on by itself; its standard streams stay the program's own.
    if (process.startDetached())
        return {};
    return processError(process);
}

base::Error runProgramAndWait(const QString& program, const QString& argument)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1))
        return processError(process);
    process.waitForFinished(-1);
    return {};
}

} // namespace trelvick::platform
