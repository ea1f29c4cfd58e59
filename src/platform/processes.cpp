// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/processes.h"

#include <QProcess>

namespace trelvick::platform {

StartResult startProgramDetached(const QString& program, const QString& argument)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    // The viewer lives on by itself; its standard streams stay the program's own.
    if (process.startDetached())
        return {};
    return {false, process.errorString()};
}

StartResult runProgramAndWait(const QString& program, const QString& argument)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1))
        return {false, process.errorString()};
    process.waitForFinished(-1);
    return {};
}

} // namespace trelvick::platform
