// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick run as a process, as a terminal or a script runs it: what it answers on its command line
// instead of opening the window.
#include "base/version.h"
#include "programrun.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace trelvick {
namespace {

using namespace Qt::StringLiterals;

const QString kProgram = QStringLiteral(TRELVICK_WINDOW_PATH);
const QByteArray kVersion = QByteArray("trelvick ") + trelvick::base::kDisplayVersion + '\n';
const QString kTryHelp = u"Try 'trelvick --help' for more information.\n"_s;

struct Case
{
    const char* name;
    QStringList arguments;
    int status;
    QByteArray out; // "%help": the help, checked by its first line
    QString err;
    bool display = true; // false: no display to be found, as in a plain terminal session
};
using testsupport::PrintTo;

const Case kCases[] = {
    {"VersionOpensTheWindow", {u"--version"_s}, 0, kVersion, {}},
    {"ShortVersionOpensTheWindow", {u"-V"_s}, 0, kVersion, {}},
    {"HelpOpensTheWindow", {u"--help"_s}, 0, "%help", {}},
    {"ShortHelpOpensTheWindow", {u"-h"_s}, 0, "%help", {}},
    {"HelpNeedsADisplay", {u"--help"_s}, 0, "%help", {}, false},
    {"VersionNeedsADisplay", {u"--version"_s}, 0, kVersion, {}, false},
    {"TheFirstOfHelpAndVersionIsNotTheOneAnswered", {u"--version"_s, u"--help"_s}, 0, kVersion, {}},
    {"UnknownOptionOpensTheWindow", {u"--bogus"_s}, 2, "", u"trelvick: unrecognized option '--bogus'\n"_s + kTryHelp},
    {"FileNameOpensTheWindow", {u"notes.txt"_s}, 2, "", u"trelvick: extra operand 'notes.txt'\n"_s + kTryHelp},
    {"QtOptionsAreRefused",
     {u"-platform"_s, u"minimal"_s, u"-x"_s},
     2,
     "",
     u"trelvick: unrecognized option '-x'\n"_s + kTryHelp},
    {"HelpAfterTheEndOfOptionsIsAnswered",
     {u"--"_s, u"--help"_s},
     2,
     "",
     u"trelvick: extra operand '--help'\n"_s + kTryHelp},
    {"HostileOptionReachesTheTerminal",
     {u"--x\x1b]0;pwned\x07\u202e"_s},
     2,
     "",
     u"trelvick: unrecognized option '--x\\x1b]0;pwned\\x07\\u{202e}'\n"_s + kTryHelp},
};

class CommandLine : public testing::TestWithParam<Case>
{
};

TEST_P(CommandLine, Answers)
{
    const Case& c = GetParam();
    QProcessEnvironment environment = testsupport::localeEnvironment(u"C.UTF-8"_s);
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, c.display ? u"offscreen"_s : u"xcb"_s);
    // Should the window open after all, it finds nothing of the developer's.
    const testsupport::TempFolder home;
    environment.insert(u"XDG_CONFIG_HOME"_s, home.folder());
    environment.insert(u"XDG_RUNTIME_DIR"_s, home.folder());
    const testsupport::Outcome run = testsupport::runProgram(kProgram, c.arguments, {}, environment);
    EXPECT_EQ(run.status, c.status) << run.err.toStdString();
    if (c.out == "%help")
        EXPECT_TRUE(run.out.startsWith("Usage: trelvick [OPTION]...\n")) << run.out.toStdString();
    else
        EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(Trelvick, CommandLine, testing::ValuesIn(kCases));

// As GNU tools do, an answer that cannot be written is a failure, not a success.
TEST(CommandLineOutput, FullStandardOutputIsReportedAsSuccess)
{
    const testsupport::Outcome run = testsupport::runProgram(
        kProgram, {u"--help"_s}, {}, testsupport::localeEnvironment(u"C.UTF-8"_s), u"/dev/full"_s);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, u"trelvick: write error: No space left on device\n"_s);
}

} // namespace
} // namespace trelvick
