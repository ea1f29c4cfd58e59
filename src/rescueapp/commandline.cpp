// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/commandline.h"

#include "base/version.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/errortext.h"
#include "rescueapp/rescuetexts.h"

#include <QByteArrayList>
#include <unistd.h>

namespace trelvick::rescueapp {

namespace {

// Status 2: a usage fault, as GNU tools give it.
constexpr int kUsageFault = 2;

QByteArray absolute(const QByteArray& path, const QByteArray& currentFolder)
{
    const QByteArray whole = path.startsWith('/') || currentFolder.isEmpty() ? path : currentFolder + '/' + path;
    QByteArrayList kept;
    for (const QByteArray& part : whole.split('/')) {
        if (!part.isEmpty() && part != ".")
            kept << part;
    }
    const QByteArray joined = kept.join('/');
    return whole.startsWith('/') ? '/' + joined : joined.isEmpty() ? QByteArray(".") : joined;
}

} // namespace

std::optional<CommandLineAnswer> answerBeforeStart(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h")
            return CommandLineAnswer{0, usage(), {}};
        if (argument == "--version" || argument == "-V")
            return CommandLineAnswer{0, "trelvick-rescue " + QByteArray(base::kDisplayVersion) + '\n', {}};
    }
    return std::nullopt;
}

Operands operandsOf(int argc, const char* const* argv, const QByteArray& currentFolder)
{
    Operands operands;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        if (options && argument == "--") {
            options = false;
            continue;
        }
        if (options && argument.startsWith('-') && argument != "-") {
            operands.refusal = CommandLineAnswer{kUsageFault, {}, unknownOption(files::decodeNativePath(argv[i]))};
            return operands;
        }
        if (!argument.isEmpty())
            operands.paths << absolute(argument, currentFolder);
    }
    return operands;
}

int deliver(const CommandLineAnswer& answer)
{
    files::DescriptorSink output(STDOUT_FILENO);
    if (!output.write(answer.standardOutput.constData(), answer.standardOutput.size())) {
        const QByteArray message =
            "trelvick-rescue: write error: " + lang::errorText(output.error(), lang::Language::English).toUtf8() + '\n';
        files::DescriptorSink(STDERR_FILENO).write(message.constData(), message.size());
        return 1;
    }
    files::DescriptorSink(STDERR_FILENO).write(answer.standardError.constData(), answer.standardError.size());
    return answer.status;
}

} // namespace trelvick::rescueapp
