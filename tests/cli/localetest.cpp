// SPDX-License-Identifier: GPL-3.0-or-later
// The language of trelvick-convert's messages, as LANGUAGE, LC_ALL, LC_MESSAGES and LANG choose it for
// every GNU tool, the system's error texts in that same language, digits as the locale groups them,
// and no control or bidirectional character from a hostile name ever reaching the terminal.
#include "cli/reporter.h"
#include "greekmessages.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "programrun.h"
#include "testsupport.h"
#include "treefiles.h"

#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using testsupport::Outcome;

namespace {

const QString kProgram = QStringLiteral(TRELVICK_CONVERT_PATH);

struct LocaleCase
{
    const char* name;
    QStringList environment; // NAME=value, over an environment without any of the four
    QStringList arguments;   // %d: the test's folder
    QString expected;        // in standard error
    QString foreign = {};    // the same message in the other language, which must not appear
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << c.name;
}

class Locale : public testing::TestWithParam<LocaleCase>, protected testsupport::TempFolder
{
protected:
    Outcome run(const QStringList& variables, const QStringList& arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        QStringList expanded;
        for (const QString& argument : arguments)
            expanded << QString(argument).replace(u"%d"_s, folder());
        return testsupport::runProgram(kProgram, expanded, {}, environment);
    }
};

TEST_P(Locale, WrongLanguage)
{
    const LocaleCase& c = GetParam();
    const Outcome outcome = run(c.environment, c.arguments);
    EXPECT_TRUE(outcome.err.contains(c.expected)) << outcome.err.toStdString();
    if (!c.foreign.isEmpty()) {
        EXPECT_FALSE(outcome.err.contains(c.foreign)) << outcome.err.toStdString();
    }
}

const QStringList kUnknownOption{u"-x"_s};
const QStringList kMissingFile{u"-f"_s, u"737"_s, u"%d/none"_s};
const QString kGreekUsage = u"άγνωστη επιλογή «-x»\nΔείτε «trelvick-convert --help»."_s;
const QString kEnglishUsage = u"unknown option '-x'\nTry 'trelvick-convert --help'."_s;
const QString kGreekMissing = u"/none: Δεν υπάρχει τέτοιο αρχείο ή κατάλογος"_s;
const QString kEnglishMissing = u"/none: No such file or directory"_s;

INSTANTIATE_TEST_SUITE_P(
    Cli, Locale,
    testing::Values(
        LocaleCase{"GreekLang", {u"LANG=el_GR.UTF-8"_s}, kUnknownOption, kGreekUsage},
        LocaleCase{"LanguageOverEnglishLocale", {u"LANG=en_US.UTF-8"_s, u"LANGUAGE=el"_s}, kUnknownOption, kGreekUsage},
        LocaleCase{"LanguageOverGreekLocale", {u"LANG=el_GR.UTF-8"_s, u"LANGUAGE=en"_s}, kUnknownOption, kEnglishUsage},
        LocaleCase{"LcAllOverLang", {u"LANG=en_US.UTF-8"_s, u"LC_ALL=el_GR.UTF-8"_s}, kUnknownOption, kGreekUsage},
        LocaleCase{
            "LcMessagesOverLang", {u"LANG=en_US.UTF-8"_s, u"LC_MESSAGES=el_GR.UTF-8"_s}, kUnknownOption, kGreekUsage},
        LocaleCase{"LcAllOverLcMessages",
                   {u"LC_ALL=en_US.UTF-8"_s, u"LC_MESSAGES=el_GR.UTF-8"_s},
                   kUnknownOption,
                   kEnglishUsage},
        // gettext leaves LANGUAGE aside in the C locale, whose character set is ASCII; C.UTF-8 can show Greek.
        LocaleCase{"LanguageInAsciiLocale", {u"LANG=C"_s, u"LANGUAGE=el"_s}, kUnknownOption, kEnglishUsage},
        LocaleCase{"LanguageInCUtf8", {u"LANG=C.UTF-8"_s, u"LANGUAGE=el"_s}, kUnknownOption, kGreekUsage},
        LocaleCase{"NoLocale", {}, kUnknownOption, kEnglishUsage},
        // The system's reason in the language of the message around it.
        LocaleCase{"GreekSystemError", {u"LANG=el_GR.UTF-8"_s}, kMissingFile, kGreekMissing, kEnglishMissing},
        LocaleCase{"GreekSystemErrorByLanguage",
                   {u"LANG=en_US.UTF-8"_s, u"LANGUAGE=el"_s},
                   kMissingFile,
                   kGreekMissing,
                   kEnglishMissing},
        LocaleCase{"EnglishSystemErrorInGreekLocale",
                   {u"LANG=el_GR.UTF-8"_s, u"LANGUAGE=en"_s},
                   kMissingFile,
                   kEnglishMissing,
                   kGreekMissing},
        // A language without a catalogue of ours: English throughout, though the C library speaks German.
        LocaleCase{"EnglishMessageWithForeignSystemError",
                   {u"LANG=en_US.UTF-8"_s, u"LANGUAGE=de"_s},
                   kMissingFile,
                   kEnglishMissing}));

// Digits grouped as the locale writes them in the counts for people, never in a script's format.
TEST(LocaleNumbers, DigitsUngroupedOrGroupedInScripts)
{
    testsupport::TempFolder folder;
    ASSERT_TRUE(folder.write(u"in"_s, QByteArray(24000, '\x80')));
    const struct
    {
        QString lang;
        QString expected;
    } cases[] = {{u"el_GR.UTF-8"_s, u"άλλαξαν 24.000 χαρακτήρες"_s},
                 {u"en_US.UTF-8"_s, u"24,000 characters changed"_s},
                 {u"C"_s, u"24000 characters changed"_s}};
    for (const auto& c : cases) {
        const Outcome converted =
            testsupport::runProgram(kProgram, {u"-f"_s, u"737"_s, u"-o"_s, folder.path(u"out"_s), folder.path(u"in"_s)},
                                    {}, testsupport::localeEnvironment(c.lang));
        EXPECT_TRUE(converted.err.contains(c.expected)) << converted.err.toStdString();
    }
    const Outcome tsv = testsupport::runProgram(kProgram,
                                                {u"-r"_s, u"-f"_s, u"737"_s, u"--output-dir"_s, folder.path(u"tree"_s),
                                                 u"--report=tsv"_s, folder.path(u"in"_s)},
                                                {}, testsupport::localeEnvironment(u"en_US.UTF-8"_s));
    EXPECT_TRUE(tsv.out.contains("\t24000\t")) << tsv.out.toStdString();
}

// The bar of a long job speaks the messages' language, groups its digits, and fits the terminal in
// characters, not in the bytes of its Greek.
TEST(LocaleNumbers, ProgressBarInBytesOrEnglish)
{
    const testsupport::GreekMessages greek;
    ASSERT_NE(std::setlocale(LC_NUMERIC, "el_GR.UTF-8"), nullptr) << "el_GR.UTF-8 missing: run tools/setup-debian.sh";
    const QString line = QString::fromUtf8(cli::JobBar::line(100, 1500, 3000, 3 << 20, 6 << 20, 2.0));
    EXPECT_TRUE(line.contains(u"1.500/3.000 αρχεία  3,0 MiB / 6,0 MiB  1,5 MiB/s  απομένουν 0:02"_s))
        << line.toStdString();
    EXPECT_EQ(line.size(), 99) << line.toStdString();
}

// One and more than one in Greek, from the catalogue's plural forms: the singular is its own sentence.
TEST(LocaleCounts, GreekSingularOrPluralWrong)
{
    const testsupport::GreekMessages greek;
    namespace texts = lang::cli;
    const lang::Escaped a = lang::escaped(u"a"_s);
    EXPECT_EQ(texts::lostCount(a, 1, u"CP737"_s), u"a: 1 χαρακτήρας δεν έχει αντίστοιχο στην CP737 και έγινε «?»"_s);
    EXPECT_EQ(texts::lostCount(a, 2, u"CP737"_s), u"a: 2 χαρακτήρες δεν έχουν αντίστοιχο στην CP737 και έγιναν «?»"_s);
    EXPECT_EQ(texts::invalidCount(a, 1, u"CP737"_s, false),
              u"a: 1 byte δεν είναι χαρακτήρας της CP737 και έγινε «?»"_s);
    EXPECT_EQ(texts::invalidCount(a, 2, u"CP737"_s, true),
              u"a: 2 byte δεν είναι χαρακτήρες της CP737 και έγιναν U+FFFD"_s);
    // The report's words stay English whatever the messages speak.
    EXPECT_EQ(texts::wouldLose(lang::Language::English, 2), u"2 bytes would be lost"_s);
    EXPECT_EQ(texts::wouldLose(lang::Language::Greek, 1), u"1 byte θα χανόταν (--lossy για μετατροπή παρ' όλα αυτά)"_s);
}

// The guess's prose is translated; its tab-separated form, for scripts, never is.
TEST(LocaleGuess, ScriptFormatTranslated)
{
    testsupport::TempFolder folder;
    ASSERT_TRUE(folder.write(u"g"_s, testsupport::iconvText("Η Αθήνα είναι η πρωτεύουσα της Ελλάδας και η μεγαλύτερη "
                                                            "πόλη της χώρας.\n",
                                                            "UTF-8", "CP737")));
    const auto greek = testsupport::localeEnvironment(u"el_GR.UTF-8"_s);
    const Outcome prose = testsupport::runProgram(kProgram, {u"--guess"_s, folder.path(u"g"_s)}, {}, greek);
    EXPECT_TRUE(prose.out.contains("CP737 (ελληνικά), βεβαιότητα")) << prose.out.toStdString();
    const Outcome tsv = testsupport::runProgram(kProgram, {u"--guess=tsv"_s, folder.path(u"g"_s)}, {}, greek);
    EXPECT_TRUE(tsv.out.endsWith("\tGreek\n")) << tsv.out.toStdString();
}

// An errno value the C library has no Greek text for still reads in Greek next to a Greek message, and
// an English message never takes the locale's Greek.
TEST(SystemErrorText, LanguagesMixed)
{
    const testsupport::GreekMessages greek;
    EXPECT_EQ(lang::systemErrorText(ESTALE, lang::Language::Greek), u"Μη έγκυρος χειριστής αρχείου δικτύου"_s);
    EXPECT_EQ(lang::systemErrorText(ENOENT, lang::Language::Greek), u"Δεν υπάρχει τέτοιο αρχείο ή κατάλογος"_s);
    EXPECT_EQ(lang::systemErrorText(ENOENT, lang::Language::English), u"No such file or directory"_s);
    EXPECT_FALSE(lang::systemErrorText(4095, lang::Language::Greek).contains(u"error"_s));
}

// --- hostile bytes -------------------------------------------------------------------------------

// What a terminal would act on, or a line splitter split at: the C0 controls but the line end, DEL,
// the C1 controls, the line and paragraph separators, the bidirectional controls; and bytes that are
// no UTF-8, which a terminal may take for C1 controls.
QString unsafeCharacterIn(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return u"invalid UTF-8"_s;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n') || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 ||
            (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0xFFFD)
            return u"U+"_s + QString::number(u, 16);
    }
    return {};
}

// The program run with its arguments as raw bytes (QProcess would take them for text), in work/ of
// folder; what it wrote on standard error, and on standard output when asked (otherwise converted bytes).
QByteArray runRaw(const testsupport::TempFolder& folder, const std::vector<QByteArray>& arguments, const char* language,
                  bool withOutput)
{
    std::vector<char*> argv{const_cast<char*>(TRELVICK_CONVERT_PATH)};
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    const QByteArray languageVariable = QByteArray("LANGUAGE=") + language;
    const QByteArray home = "HOME=" + folder.native(u"home"_s);
    char* envp[] = {const_cast<char*>("LANG=C.UTF-8"), const_cast<char*>(languageVariable.constData()),
                    const_cast<char*>(home.constData()), nullptr};
    const QByteArray output = withOutput ? folder.native(u"shown"_s) : QByteArray("/dev/null");
    const QByteArray errors = folder.native(u"errors"_s);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return "<not started>";
    int status = 0;
    ::waitpid(pid, &status, 0);
    return (withOutput ? folder.read(u"shown"_s) : QByteArray()) + folder.read(u"errors"_s);
}

// Random names built of what forges or hides text: escapes, C1 controls in UTF-8 and as bytes, bidi
// overrides, line separators, bytes that are no UTF-8, placeholders a message might fill twice.
QByteArray hostileName(std::mt19937& random)
{
    static const QByteArrayList kPieces = {
        "\x1b[31m", "\xc2\x9b", "\x9b", "\xe2\x80\xae", "\xe2\x81\xa6", "\xe2\x80\xa8", "\n",
        "\r",       "\t",       "\x7f", "%1",           "%2",           "\\",           "a",
        "\xce\xb1", "\xff",     "'",    "\x07",         "\x08"};
    QByteArray name;
    const int count = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < count; ++i) {
        if (random() % 3 == 0)
            name += char(std::uniform_int_distribution<int>(1, 255)(random));
        else
            name += kPieces.at(static_cast<qsizetype>(random() % static_cast<unsigned>(kPieces.size())));
    }
    return name.replace('/', '_');
}

TEST(HostileBytes, ControlOrBidiCharacterPrinted)
{
    testsupport::TempFolder folder;
    const QByteArray base = folder.native(u"work"_s) + '/';
    std::mt19937 random(20261208);
    for (int round = 0; round < 12; ++round) {
        const QByteArray name = hostileName(random);
        // A file of that name exists, so that it is read, guessed, converted and named in counts too.
        ASSERT_TRUE(testsupport::makePath(base) && testsupport::writeBytes(base + name, "Greek \x80\x81\x82 text\n"));
        const std::vector<std::vector<QByteArray>> forms = {
            {"-f", name, base + name},
            {"-f", "737", "-t", name, base + name},
            {"--eol=" + name, "-f", "737"},
            {"--" + name},
            {"-" + name},
            {"-f", "737", base + name + "-none"},
            {"-f", "737", "-o", base + name + ".out", base + name},
            {"--config=" + base + name, "-c", "1"},
            {"-c", name, "--config", base + name},
            {"--undo=" + base + name},
            {"-f", "auto", "-i", "--names", "--backup=" + name, base + name},
        };
        for (const char* language : {"en", "el"}) {
            for (const std::vector<QByteArray>& arguments : forms) {
                const QByteArray shown = runRaw(folder, arguments, language, false);
                ASSERT_EQ(unsafeCharacterIn(shown), QString()) << shown.toStdString();
            }
            // The guess's lines on standard output name the files too.
            const QByteArray guessed = runRaw(folder, {"--guess", base + name, base + "none" + name}, language, true);
            ASSERT_EQ(unsafeCharacterIn(guessed), QString()) << guessed.toStdString();
        }
        testsupport::removeTree(folder.native(u"work"_s));
    }
}

} // namespace
