// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable run as a process: the shipped tq.ini is exactly what it writes, its code-section mode
// agrees with its --ini mode, and it refuses what it cannot tabulate.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// lang: the user's LANG, LANGUAGE and LC_* aside; empty: the environment as it is.
ToolRun runTool(const QStringList& arguments, const QString& lang = {})
{
    QProcess process;
    if (!lang.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_CTYPE"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANG"), lang);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(TRELVICK_MAKETABLE), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "trelvick-maketable did not finish: " << process.errorString().toStdString();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray shippedIni()
{
    QFile file(QStringLiteral(TRELVICK_SHIPPED_INI));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << TRELVICK_SHIPPED_INI;
    return file.readAll();
}

TEST(MaketableIni, ShippedFileIsExactlyTheToolsOutput)
{
    const ToolRun run = runTool({QStringLiteral("--ini")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray shipped = shippedIni();
    ASSERT_FALSE(run.out.isEmpty());

    // Name the first difference: a byte dump of 17 kB says nothing.
    const auto at =
        std::mismatch(shipped.begin(), shipped.end(), run.out.begin(), run.out.end()).first - shipped.begin();
    EXPECT_EQ(shipped.size(), run.out.size());
    EXPECT_EQ(at, shipped.size()) << "resources/tq.ini differs from 'trelvick-maketable --ini' at byte " << at
                                  << "; regenerate it with: trelvick-maketable --ini > resources/tq.ini";

    ASSERT_TRUE(shipped.endsWith("\r\n"));
    EXPECT_FALSE(shipped.startsWith("\xEF\xBB\xBF")) << "a UTF-8 byte-order mark";
    EXPECT_EQ(shipped.count('\r'), shipped.count("\r\n")) << "a lone carriage return";
    EXPECT_EQ(shipped.count('\n'), shipped.count("\r\n")) << "a lone line feed";
}

struct Pair
{
    const char* from;
    const char* to;
    const char16_t* header;
};

class MaketablePairMode : public testing::TestWithParam<Pair>
{
};

// The terminal gets UTF-8 and LF, the file windows-1253 and CR LF; the lines are otherwise the same.
TEST_P(MaketablePairMode, PrintsTheSameLinesAsTheIniSection)
{
    const Pair pair = GetParam();
    const ToolRun run = runTool({QString::fromLatin1(pair.from), QString::fromLatin1(pair.to)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    const QString ini = QStringDecoder("windows-1253")(shippedIni());
    const QString header = QString::fromUtf16(pair.header) + QStringLiteral("\r\n");
    const qsizetype start = ini.indexOf(header) + header.size();
    ASSERT_GE(start, header.size()) << "no section " << QString::fromUtf16(pair.header).toStdString();
    const qsizetype end = ini.indexOf(QStringLiteral("\r\n\r\n"), start); // the blank line after the section
    const QString expected = ini.mid(start, end < 0 ? -1 : end + 2 - start).replace(QStringLiteral("\r\n"), "\n");
    EXPECT_EQ(QString::fromUtf8(run.out).toStdString(), expected.toStdString());
}

// A byte pair, one to UTF-8, and UTF-8 spelt otherwise.
INSTANTIATE_TEST_SUITE_P(Shipped, MaketablePairMode,
                         testing::Values(Pair{"CP737", "CP1253", u"[Μ1]"}, Pair{"CP1252", "CP437", u"[Μ10]"},
                                         Pair{"CP737", "UTF-8", u"[Μ11]"}, Pair{"CP1253", "utf8", u"[Μ14]"}));

class MaketableRefuses : public testing::TestWithParam<QStringList>
{
};

TEST_P(MaketableRefuses, WithUsageStatusAndNothingOnStandardOutput)
{
    const ToolRun run = runTool(GetParam());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.left(200).toStdString();
    EXPECT_FALSE(run.err.isEmpty());
}

// Too few or many arguments, an unknown option or code page, a code page of more than one byte.
INSTANTIATE_TEST_SUITE_P(BadUse, MaketableRefuses,
                         testing::Values(QStringList{}, QStringList{"CP737"}, QStringList{"CP737", "CP1253", "CP869"},
                                         QStringList{"--table"}, QStringList{"NO-SUCH-PAGE", "CP1253"},
                                         QStringList{"UTF-8", "CP1253"}, QStringList{"CP1253", "UTF-16"},
                                         QStringList{"--ini", "tq.ini"}));

// The user's language speaks the messages, never the tables: the transliterations stay C.UTF-8's in a
// Greek locale and in the ASCII one, which would spell Greek letters in Latin ones.
TEST(MaketableLocale, TablesFollowTheUsersLocaleOrMessagesDoNot)
{
    const QByteArray table = runTool({QStringLiteral("CP1253"), QStringLiteral("CP437")}).out;
    ASSERT_FALSE(table.isEmpty());
    EXPECT_EQ(runTool({QStringLiteral("CP1253"), QStringLiteral("CP437")}, QStringLiteral("el_GR.UTF-8")).out, table);
    EXPECT_EQ(runTool({QStringLiteral("CP1253"), QStringLiteral("CP437")}, QStringLiteral("C")).out, table);
    const ToolRun greek =
        runTool({QStringLiteral("NO-SUCH-PAGE"), QStringLiteral("CP1253")}, QStringLiteral("el_GR.UTF-8"));
    EXPECT_TRUE(
        QString::fromUtf8(greek.err).contains(QStringLiteral("το iconv δεν ξέρει την κωδικοσελίδα «NO-SUCH-PAGE»")))
        << greek.err.toStdString();
}

} // namespace
