// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/escape.h"

#include "testsupport.h"

#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trelvick::files;
using namespace Qt::StringLiterals;

namespace {

class Folder : public testing::Test, protected trelvick::testsupport::TempFolder
{
};

struct FileTestCase
{
    const char* fault;
    QString name;
    std::error_code error; // none: a plain file
    bool noFile = true;    // the error only says that there is no plain file
};

class PlainFileTest : public Folder, public testing::WithParamInterface<FileTestCase>
{
};

TEST_P(PlainFileTest, WrongAnswer)
{
    write("file", "x");
    write(".hidden", "x");
    ASSERT_TRUE(QDir(folder()).mkpath(".dir/inner"));
    write(".dir/inner/file", "x");
    ASSERT_EQ(::symlink("file", native("link").constData()), 0);
    ASSERT_EQ(::symlink(".dir", native("dirlink").constData()), 0);
    ASSERT_EQ(::symlink("missing", native("dangling").constData()), 0);
    ASSERT_EQ(::symlink("loop", native("loop").constData()), 0);
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);

    const FileTestCase& c = GetParam();
    const trelvick::base::Error test = testFile(c.name.isEmpty() ? QString() : path(c.name));
    EXPECT_EQ(test.code, c.error) << test.code.message();
    EXPECT_EQ(isNoFile(test), c.error && c.noFile);
}

using trelvick::base::Fault;
using trelvick::base::systemError;

INSTANTIATE_TEST_SUITE_P(
    Entries, PlainFileTest,
    testing::Values(FileTestCase{"RegularFileMissed", "file", {}}, FileTestCase{"LinkNotFollowed", "link", {}},
                    FileTestCase{"HiddenFolderHidesFile", ".dir/inner/file", {}},
                    FileTestCase{"EmptyPathTested", "", systemError(ENOENT)},
                    FileTestCase{"MissingFileReported", "missing", systemError(ENOENT)},
                    FileTestCase{"FileAsFolderReported", "file/x", systemError(ENOTDIR)},
                    FileTestCase{"DanglingLinkReported", "dangling", systemError(ENOENT)},
                    FileTestCase{"HiddenFileCounted", ".hidden", Fault::HiddenName},
                    FileTestCase{"FolderCounted", ".dir", systemError(EISDIR)},
                    FileTestCase{"LinkToFolderCounted", "dirlink", systemError(EISDIR)},
                    FileTestCase{"FifoCounted", "fifo", Fault::NotRegularFile},
                    FileTestCase{"DeviceCounted", "/dev/zero", Fault::NotRegularFile},
                    FileTestCase{"LinkLoopIgnored", "loop", systemError(ELOOP), false},
                    FileTestCase{"LongNameIgnored", QString(300, u'x'), systemError(ENAMETOOLONG), false},
                    FileTestCase{"NulShortensName", u"file\0x"_s, systemError(EINVAL), false}),
    [](const auto& info) { return info.param.fault; });

// tq.ini and the help files are read whole, up to a bound, and a failure keeps the system's errno.
TEST_F(Folder, SmallFileReadPastItsBoundOrFromAnotherName)
{
    write("ten", "0123456789");
    ASSERT_TRUE(QDir(folder()).mkpath("dir"));
    const auto failure = [this](const QString& name, std::int64_t limit) {
        const trelvick::base::Expected<QByteArray> bytes = readSmallFile(path(name), limit);
        return bytes ? std::error_code() : bytes.error().code;
    };
    EXPECT_EQ(*readSmallFile(path("ten"), 10), "0123456789");
    EXPECT_EQ(failure("ten", 9), systemError(EFBIG));
    EXPECT_EQ(failure("missing", 10), systemError(ENOENT));
    EXPECT_EQ(failure("dir", 10), systemError(EISDIR));
    // The system would take the name up to the NUL: "ten".
    EXPECT_EQ(failure(u"ten\0x"_s, 10), systemError(EINVAL));
}

// A rename never replaces a file; a missing file is reported with the system's own text.
TEST_F(Folder, TakenNameReplacedOrMissingFileUnreported)
{
    write("a", "first");
    write("b", "second");
    EXPECT_TRUE(renameNoReplace(path("a"), path("b")).is(EEXIST));
    EXPECT_EQ(read("b"), "second");

    EXPECT_FALSE(renameNoReplace(path("a"), path(u"νέο όνομα"_s)));
    EXPECT_EQ(read(u"νέο όνομα"_s), "first");
    EXPECT_TRUE(renameNoReplace(path("a"), path("c")).is(ENOENT));
    EXPECT_FALSE(deleteFile(path(u"νέο όνομα"_s)));
    EXPECT_TRUE(deleteFile(path(u"νέο όνομα"_s)).is(ENOENT));
}

TEST_F(Folder, SameFileMissedThroughLinkOrSizeWrong)
{
    write("a", QByteArray(1234, 'z'));
    write("b", QByteArray(1234, 'z'));
    ASSERT_EQ(::symlink("a", native("link").constData()), 0);
    EXPECT_TRUE(sameFile(path("a"), path("./link")));
    EXPECT_FALSE(sameFile(path("a"), path("b")));
    EXPECT_FALSE(sameFile(path("missing"), path("missing")));
    ASSERT_TRUE(statFile(path("link")));
    EXPECT_EQ(statFile(path("link"))->size, 1234);
}

// Names are bytes: what a command line gives must come back byte for byte, and show safely.
TEST(Names, BytesChangedOnTheWayOrShownRaw)
{
    const struct
    {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"plain.txt", u"plain.txt"_s},
        {"\xce\xbc\xce\xb1 \xf0\x9f\x98\x80", u"μα 😀"_s},  // UTF-8 stays text
        {"\xef\xbc\x81\xee\x80\x80", u"\uff01\ue000"_s},   // 3 bytes, leads EF, EE
        {"cp737 \xa4\xe0.txt", u"cp737 \\xa4\\xe0.txt"_s}, // not UTF-8: each byte kept
        {"\x80 \xff", u"\\x80 \\xff"_s},                   // the first and the last byte that is no UTF-8
        {"\xed\xa0\x80 \xc0\xaf \xe2\x82", u"\\xed\\xa0\\x80 \\xc0\\xaf \\xe2\\x82"_s}, // surrogate, overlong, cut
        // The least code of each length is text; one below it (overlong) and past U+10FFFF are bytes.
        {"\xc2\x80 \xe0\xa0\x80 \xf0\x90\x80\x80", u"\\u{80} \u0800 \U00010000"_s},
        {"\xc0\x80 \xe0\x80\x80 \xf0\x80\x80\x80", u"\\xc0\\x80 \\xe0\\x80\\x80 \\xf0\\x80\\x80\\x80"_s},
        {"\xdf\xbf \xef\xbf\xbf \xf4\x8f\xbf\xbf \xf4\x90\x80\x80", u"\u07ff \uffff \U0010ffff \\xf4\\x90\\x80\\x80"_s},
        {"esc\x1b[31m\nnew\x7f", u"esc\\x1b[31m\\x0anew\\x7f"_s},
        {"lit\\x1b \xe2\x80\xaeRTL \xe2\x81\xa9", u"lit\\\\x1b \\u{202e}RTL \\u{2069}"_s}, // backslash, bidi controls
        {"\xe2\x80\xaa \xe2\x81\xa6 \xe2\x80\xa7",
         u"\\u{202a} \\u{2066} \u2027"_s}, // the first of each range; one before
    };
    for (const auto& c : cases) {
        const QString decoded = decodeNativePath(c.bytes.constData());
        EXPECT_EQ(nativePath(decoded), c.bytes) << c.bytes.toHex().toStdString();
        EXPECT_EQ(nativePath(decoded + u".out"_s), c.bytes + ".out");
        EXPECT_EQ(trelvick::lang::escaped(decoded), c.shown);
    }
}

} // namespace
