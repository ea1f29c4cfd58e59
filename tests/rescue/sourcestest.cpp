// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/sources.h"
#include "testsupport.h"

#include <QDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using rescue::Node;

namespace {

// Each node as "relative:kind[=index of the first name]", the kinds F, D, L, S and ! for Failed.
QStringList shape(const rescue::Walked& walked)
{
    const std::vector<Node>& nodes = walked.nodes;
    QStringList lines;
    for (const Node& node : nodes) {
        const char kinds[] = {'F', 'D', 'L', 'S', '!'};
        QString line = QString::fromUtf8(node.relative) + u':' + QChar::fromLatin1(kinds[int(node.kind)]);
        if (node.sameAs >= 0)
            line += u'=' + QString::number(node.sameAs);
        lines << line;
    }
    return lines;
}

class Walk : public testing::Test, public testsupport::TempFolder
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(folder()).mkpath(u"in/b/c"_s) && QDir(folder()).mkpath(u"in/a"_s));
        for (const char* name : {"in/z.txt", "in/b/c/deep.txt", "in/a/1.txt", "in/B.txt", "alone.txt"})
            ASSERT_TRUE(write(QString::fromLatin1(name), "x"));
    }
    rescue::Walked walkOf(const QList<const char*>& names, bool recursive = true) const
    {
        QList<rescue::Request::Input> inputs;
        for (const char* name : names)
            inputs.append({native(QString::fromLatin1(name)), true});
        return rescue::walk(inputs, recursive);
    }
};

TEST_F(Walk, OrderOrPlacesWrong)
{
    const rescue::Walked walked = walkOf({"in", "alone.txt"});
    const std::vector<Node>& nodes = walked.nodes;
    // Byte order puts capitals first; a folder's contents follow it at once.
    EXPECT_EQ(shape(walked), (QStringList{u":D"_s, u"B.txt:F"_s, u"a:D"_s, u"a/1.txt:F"_s, u"b:D"_s, u"b/c:D"_s,
                                          u"b/c/deep.txt:F"_s, u"z.txt:F"_s, u"alone.txt:F"_s}));
    EXPECT_EQ(nodes[6].path, native(u"in/b/c/deep.txt"_s));
    EXPECT_EQ(nodes[8].root, 1);
}

TEST_F(Walk, LinksFollowedOrSpecialFilesOpened)
{
    ASSERT_EQ(::symlink("../alone.txt", native(u"in/link"_s).constData()), 0);
    ASSERT_EQ(::symlink("b", native(u"in/loop"_s).constData()), 0);
    ASSERT_EQ(::mkfifo(native(u"in/fifo"_s).constData(), 0600), 0);
    ASSERT_EQ(::link(native(u"in/z.txt"_s).constData(), native(u"in/hard"_s).constData()), 0);
    EXPECT_EQ(shape(walkOf({"in", "in/z.txt", "in/link"})),
              (QStringList{u":D"_s, u"B.txt:F"_s, u"a:D"_s, u"a/1.txt:F"_s, u"b:D"_s, u"b/c:D"_s, u"b/c/deep.txt:F"_s,
                           u"fifo:S"_s, u"hard:F"_s, u"link:L"_s, u"loop:L"_s, u"z.txt:F=8"_s,
                           // given by name, the same file again, and a link followed
                           u"z.txt:F=8"_s, u"link:F"_s}));
}

TEST_F(Walk, FolderWithoutRecursionOrMissingInputTakenForFile)
{
    const std::vector<Node> nodes = walkOf({"in", "gone"}, false).nodes;
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_TRUE(nodes[0].kind == Node::Kind::Failed && nodes[0].error.is(EISDIR));
    EXPECT_TRUE(nodes[1].kind == Node::Kind::Failed && nodes[1].error.is(ENOENT));
}

TEST_F(Walk, OutputFolderInsideAnInputMissed)
{
    ASSERT_EQ(::symlink("in/b", native(u"to-b"_s).constData()), 0);
    const rescue::Walked walked = walkOf({"in/b"});
    const struct
    {
        QString folder;
        bool inside;
    } cases[] = {
        {u"in/b"_s, true},
        {u"in/b/c"_s, true},
        {u"in/b/new/deeper"_s, true},
        {u"to-b/new"_s, true},
        {u"in/../in/b/x"_s, true},
        {u"in"_s, false},
        {u"in/bb"_s, false},
        {u"elsewhere/new"_s, false},
        {u"in/b//"_s, true},
        {u"in//b/new///"_s, true},
        {u"in/b/new//deeper//"_s, true},
        {u"in///"_s, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rescue::liesInside(native(c.folder), walked), c.inside) << c.folder.toStdString();
}

// The names of a list written through a pipe in pieces; and a list with no end (/dev/zero) refused
// rather than read without bound.
TEST(FileList, NamesSplitWrongOrListUnbounded)
{
    const auto listOf = [](const QByteArray& bytes, bool nul) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        EXPECT_EQ(::write(fds[1], bytes.constData(), std::size_t(bytes.size())), bytes.size());
        ::close(fds[1]);
        base::Expected<QList<QByteArray>> names = rescue::readNameList(fds[0], nul);
        ::close(fds[0]);
        return names ? *names : QList<QByteArray>{"<failed>"};
    };
    EXPECT_EQ(listOf("a\nb c\r\n\nd", false), (QList<QByteArray>{"a", "b c\r", "d"}));
    EXPECT_EQ(listOf(QByteArray("a\nb\0\0c\0", 7), true), (QList<QByteArray>{"a\nb", "c"}));
    EXPECT_EQ(listOf(QByteArray(5000, 'x'), false), QList<QByteArray>{"<failed>"});

    const int zero = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(zero, 0);
    const base::Expected<QList<QByteArray>> endless = rescue::readNameList(zero, true, 1 << 20);
    ::close(zero);
    EXPECT_TRUE(!endless && endless.error().is(base::Fault::TooLarge));
}

} // namespace
