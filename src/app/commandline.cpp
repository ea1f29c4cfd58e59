// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/errortext.h"
#include "lang/windowusage.h"

#include <unistd.h>

namespace trelvick::app {

namespace {

// Status 2: a usage fault, as GNU tools give it.
constexpr int kUsageFault = 2;

} // namespace

QStringList argumentsOf(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << files::decodeNativePath(argv[i]);
    return arguments;
}

std::optional<CommandLineAnswer> answerBeforeStart(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == u"--")
            break;
        if (argument == u"--help" || argument == u"-h")
            return CommandLineAnswer{0, lang::windowHelp().toUtf8(), {}};
        if (argument == u"--version" || argument == u"-V")
            return CommandLineAnswer{0, lang::windowVersion().toUtf8(), {}};
    }
    return std::nullopt;
}

std::optional<CommandLineAnswer> refuseLeftOver(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return std::nullopt;
    const QString& first = arguments.front();
    // After "--" even a name that starts with "-" is an operand.
    if (first == u"--") {
        if (arguments.size() == 1)
            return std::nullopt;
        return CommandLineAnswer{kUsageFault, {}, lang::windowExtraOperand(arguments[1]).toUtf8()};
    }
    if (first.startsWith(u'-') && first != u"-")
        return CommandLineAnswer{kUsageFault, {}, lang::windowUnknownOption(first).toUtf8()};
    return CommandLineAnswer{kUsageFault, {}, lang::windowExtraOperand(first).toUtf8()};
}

int deliver(const CommandLineAnswer& answer)
{
    files::DescriptorSink output(STDOUT_FILENO);
    if (!output.write(answer.standardOutput.constData(), answer.standardOutput.size())) {
        const QByteArray message =
            lang::windowWriteError(lang::errorText(output.error(), lang::Language::English)).toUtf8();
        files::DescriptorSink(STDERR_FILENO).write(message.constData(), message.size());
        return 1;
    }
    files::DescriptorSink(STDERR_FILENO).write(answer.standardError.constData(), answer.standardError.size());
    return answer.status;
}

} // namespace trelvick::app
