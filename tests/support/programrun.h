// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the command-line suites share: a program run as a user runs it, and iconv's reading of
// bytes to compare its output with.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <iconv.h>
#include <memory>

namespace trelvick::testsupport {

struct Outcome
{
    int status = -1; // -1: did not start, or crashed
    QByteArray out;
    QString err;
};

// The environment of a user in the locale lang, without the variables that would override it.
inline QProcessEnvironment localeEnvironment(const QString& lang)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.insert(QStringLiteral("LANG"), lang);
    return environment;
}

// standardOutput: a file the output is appended to, instead of a pipe. inChild: what the child
// process does before it runs the program (limits).
inline Outcome runProgram(const QString& program, const QStringList& arguments, const QByteArray& input,
                          const QProcessEnvironment& environment, const QString& standardOutput = {},
                          const std::function<void()>& inChild = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput, QIODevice::Append);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

// The whole text through iconv; a marker no program writes when iconv refuses any of it.
inline QByteArray iconvText(QByteArray input, const char* from, const char* to)
{
    const std::unique_ptr<void, int (*)(iconv_t)> cd(::iconv_open(to, from), ::iconv_close);
    if (cd.get() == iconv_t(-1))
        return "<no iconv>";
    QByteArray out(input.size() * 4 + 16, '\0');
    char* in = input.data();
    char* at = out.data();
    std::size_t inLeft = static_cast<std::size_t>(input.size());
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    if (::iconv(cd.get(), &in, &inLeft, &at, &outLeft) == std::size_t(-1))
        return "<iconv refused>";
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

} // namespace trelvick::testsupport
