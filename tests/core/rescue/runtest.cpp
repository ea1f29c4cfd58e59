// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/run.h"
#include "programrun.h"
#include "rescue/report.h"
#include "rescue/sources.h"
#include "rescue/undo.h"
#include "rescue/work.h"
#include "testsupport.h"
#include "treefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using testsupport::iconvText;

namespace {

const QByteArray kGreek = "Άνοιξη στην Αθήνα: οι μαθητές διαβάζουν ποιήματα του Καβάφη και του Σεφέρη,\n"
                          "ενώ οι γονείς τους συζητούν για την οικονομία και τον καιρό.\n";

struct Told
{
    QByteArray path;
    rescue::Result result;
};

class Collect final : public rescue::Events
{
public:
    void done(qsizetype, const rescue::Node& node, const rescue::Result& result) override
    {
        told.append({node.path, result});
    }
    void progress(std::int64_t, std::int64_t) override {}
    const rescue::Result* of(const QByteArray& suffix) const
    {
        for (const Told& t : told) {
            if (t.path.endsWith(suffix))
                return &t.result;
        }
        return nullptr;
    }
    QList<Told> told;
};

rescue::Reason::Code firstReason(const rescue::Result* result)
{
    return result && !result->reasons.isEmpty() ? result->reasons.front().code : rescue::Reason::Code::None;
}

class Rescue : public testing::Test, public testsupport::TempFolder
{
protected:
    rescue::Request request(bool inPlace) const
    {
        rescue::Request request;
        request.target = *charset::Charset::find("UTF-8");
        request.source.codepage = *charset::Charset::find("CP737");
        request.recursive = true;
        request.inputs.append({native(u"in"_s), true});
        request.delivery = inPlace ? rescue::Delivery::InPlace : rescue::Delivery::OutputDir;
        request.outputDir = native(u"out"_s);
        if (inPlace)
            request.backupSuffix = QByteArray("~");
        return request;
    }

    // The job planned on the tree as it is, run after between() has changed it.
    rescue::Finished run(const rescue::Request& request, Collect& told, const std::function<void()>& between = {})
    {
        const rescue::Codepages codepages;
        const base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, codepages);
        EXPECT_TRUE(conversions);
        const rescue::Plan plan(request, rescue::walk(request.inputs, request.recursive), nullptr);
        if (between)
            between();
        return rescue::run(request, plan, *conversions, told);
    }

public:
    bool link(const char* target, const QString& name) const
    {
        return ::symlink(target, native(name).constData()) == 0;
    }
};

struct SwapCase
{
    const char* name;
    std::function<bool(const Rescue&)> swap; // turns the walked tree into the attacker's
};

class Swapped : public Rescue, public testing::WithParamInterface<std::tuple<SwapCase, bool>>
{
};

// Between the walk and the work a link, a FIFO or another file takes an entry's place: nothing outside
// the tree is read or written, nothing waits, and the entry is reported as changed.
TEST_P(Swapped, SwappedEntryFollowedOrWaitedOn)
{
    const auto& [swap, inPlace] = GetParam();
    const QByteArray text = iconvText(kGreek, "UTF-8", "CP737");
    ASSERT_TRUE(QDir(folder()).mkpath(u"in/sub"_s) && QDir(folder()).mkpath(u"outside/sub"_s));
    for (const QString& name : {u"in/a.txt"_s, u"in/sub/b.txt"_s, u"outside/a.txt"_s, u"outside/sub/b.txt"_s})
        ASSERT_TRUE(write(name, text));
    Collect told;
    const rescue::Finished finished = run(request(inPlace), told, [&] { ASSERT_TRUE(swap.swap(*this)); });
    EXPECT_TRUE(finished.problem);
    EXPECT_EQ(read(u"outside/a.txt"_s), text);
    EXPECT_EQ(read(u"outside/sub/b.txt"_s), text);
    const QByteArray changed = QByteArray(swap.name).startsWith("Folder") ? "sub/b.txt" : "in/a.txt";
    EXPECT_EQ(firstReason(told.of(changed)), rescue::Reason::Code::Failure) << swap.name;
    EXPECT_TRUE(told.of(changed) && told.of(changed)->reasons.front().error.is(base::Fault::FileChanged));
    EXPECT_EQ(QDir(path(u"outside"_s)).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

const SwapCase kSwaps[] = {
    {"FileBecomesLink",
     [](const Rescue& t) { return QFile::remove(t.path(u"in/a.txt"_s)) && t.link("../outside/a.txt", u"in/a.txt"_s); }},
    {"FileBecomesFifo",
     [](const Rescue& t) {
         return QFile::remove(t.path(u"in/a.txt"_s)) && ::mkfifo(t.native(u"in/a.txt"_s).constData(), 0600) == 0;
     }},
    {"FileBecomesAnother",
     [](const Rescue& t) {
         return t.write(u"in/new"_s, "other") &&
                ::rename(t.native(u"in/new"_s).constData(), t.native(u"in/a.txt"_s).constData()) == 0;
     }},
    {"FolderBecomesLink",
     [](const Rescue& t) {
         return QDir(t.folder()).rename(u"in/sub"_s, u"in/was"_s) && t.link("../outside/sub", u"in/sub"_s);
     }},
};
INSTANTIATE_TEST_SUITE_P(Rescue, Swapped, testing::Combine(testing::ValuesIn(kSwaps), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "InPlace" : "IntoFolder");
                         });

// A stop signal gives up the file under way: nothing of its new contents and no backup are left.
TEST_F(Rescue, AbandonedFileLeavesTraces)
{
    const QByteArray text = iconvText(kGreek, "UTF-8", "CP737");
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s));
    ASSERT_TRUE(write(u"in/a.txt"_s, text));
    const rescue::Request request = this->request(true);
    const rescue::Codepages codepages;
    const base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, codepages);
    ASSERT_TRUE(conversions);
    const rescue::Plan plan(request, rescue::walk(request.inputs, true), nullptr);
    rescue::Folders folders;
    folders.currentName.resize(std::size_t(plan.size()));
    rescue::Shared shared{request, plan, folders, *conversions, -1};
    shared.abandon = true;
    rescue::InputCursor cursor(plan, folders);
    const rescue::Done done = rescue::Work(shared, cursor, nullptr).entry(1);
    EXPECT_TRUE(done.result.abandoned);
    EXPECT_FALSE(done.pending);
    EXPECT_EQ(read(u"in/a.txt"_s), text);
    EXPECT_EQ(QDir(path(u"in"_s)).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace

namespace {

class Report final : public rescue::Events
{
public:
    void done(qsizetype, const rescue::Node& node, const rescue::Result& result) override
    {
        text += rescue::reportLine(node, result);
    }
    void progress(std::int64_t, std::int64_t) override {}
    QByteArray text;
};

// A run in place with backups and new names, put back from its report: every byte and name as it was,
// but a file edited since the run, which stays as it is.
TEST_F(Rescue, UndoLeavesRunBehindOrUndoesEdit)
{
    const QByteArray menu = iconvText("ΜΕΝΟΥ.TXT", "UTF-8", "CP737");
    const QByteArray folder737 = iconvText("ΦΑΚΕΛΟΣ", "UTF-8", "CP737");
    ASSERT_TRUE(testsupport::makePath(native(u"in/"_s) + folder737));
    const QByteArray text = iconvText(kGreek, "UTF-8", "CP737");
    for (const QByteArray& name : {QByteArray("a.txt"), menu, folder737 + "/b.txt", folder737 + "/c.txt"})
        ASSERT_TRUE(testsupport::writeBytes(native(u"in/"_s) + name, text + name));
    ASSERT_TRUE(write(u"in/plain.txt"_s, "ASCII stays\n"));
    QMap<QByteArray, QByteArray> before;
    testsupport::listInto(before, native(u"in"_s), {});

    rescue::Request request = this->request(true);
    request.source.codepage.reset();
    request.convertNames = true;
    const rescue::Codepages codepages;
    const base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, codepages);
    const rescue::NameConverter names(codepages, nullptr, 90);
    rescue::Walked walked = rescue::walk(request);
    const rescue::NameHints hints = rescue::NameHints::gather(walked);
    const rescue::Plan plan(request, std::move(walked), &names, &hints);
    Report report;
    EXPECT_FALSE(rescue::run(request, plan, *conversions, report).problem) << report.text.toStdString();
    EXPECT_TRUE(QFile::exists(path(u"in/ΦΑΚΕΛΟΣ/b.txt"_s))) << report.text.toStdString();
    ASSERT_TRUE(write(u"in/ΦΑΚΕΛΟΣ/c.txt"_s, "edited since"));

    const base::Expected<std::vector<rescue::ReportRow>> rows = rescue::readReport(report.text);
    ASSERT_TRUE(rows);
    QList<rescue::UndoStep::Outcome> outcomes;
    const rescue::UndoTally tally =
        rescue::undo(*rows, false, [&](const rescue::UndoStep& step) { outcomes << step.outcome; });
    EXPECT_EQ(tally.left, 1);
    EXPECT_EQ(tally.failed, 0);
    QMap<QByteArray, QByteArray> after;
    testsupport::listInto(after, native(u"in"_s), {});
    QMap<QByteArray, QByteArray> expected = before;
    expected[folder737 + "/c.txt"] = "edited since";
    expected[folder737 + "/c.txt~"] = text + folder737 + "/c.txt";
    EXPECT_EQ(after.keys(), expected.keys());
    EXPECT_TRUE(after == expected);
}

} // namespace

namespace {

constexpr time_t k1995 = 800000000; // May 1995

// Every entry below a folder: its kind and bytes (a link's target) and its modification time.
QMap<QByteArray, QByteArray> withTimes(const QByteArray& folder, const QByteArray& prefix = {})
{
    QMap<QByteArray, QByteArray> entries;
    QMap<QByteArray, QByteArray> contents;
    testsupport::listInto(contents, folder, prefix);
    for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
        struct stat info = {};
        ::lstat((folder + '/' + it.key()).constData(), &info);
        entries[it.key()] = it.value() + " @" + QByteArray::number(qint64(info.st_mtim.tv_sec));
    }
    return entries;
}

// An old archive as users keep it: every codepage, marks, a picture and a zip, a sparse file, an empty
// folder, links in and out, names in 737 bytes, everything dated 1995.
class Archive : public Rescue
{
protected:
    void SetUp() override
    {
        const QByteArray in = native(u"in"_s);
        const QByteArray name737 = iconvText("ΓΡΑΜΜΑ.TXT", "UTF-8", "CP737");
        const QList<std::pair<QByteArray, QByteArray>> files = {
            {"dos/letter.txt", iconvText(kGreek, "UTF-8", "CP737")},
            {"dos/" + name737, iconvText(kGreek, "UTF-8", "CP737")},
            {"dos/old.txt", iconvText(kGreek, "UTF-8", "CP869")},
            {"win/a.txt", iconvText(kGreek, "UTF-8", "CP1253")},
            {"win/iso.txt", iconvText(kGreek, "UTF-8", "ISO-8859-7")},
            {"utf8.txt", kGreek},
            {"bom.txt", "\xef\xbb\xbf" + kGreek},
            {"le.txt", "\xff\xfe" + iconvText(kGreek, "UTF-8", "UTF-16LE")},
            {"be.txt", "\xfe\xff" + iconvText(kGreek, "UTF-8", "UTF-16BE")},
            {"readme.txt", "plain ASCII\r\n"},
            {"photo.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20) + QByteArray(600, '\xa7')},
            {"old.zip", QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10) + QByteArray(600, '\0')},
        };
        ASSERT_TRUE(testsupport::makePath(in + "/dos") && testsupport::makePath(in + "/win") &&
                    testsupport::makePath(in + "/empty"));
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(testsupport::writeBytes(in + '/' + name, bytes));
        const int sparse = ::open((in + "/disk.img").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_EQ(::pwrite(sparse, "data", 4, 8 << 20), 4);
        ::close(sparse);
        ASSERT_EQ(::symlink("utf8.txt", (in + "/link.txt").constData()), 0);
        ASSERT_EQ(::symlink("../../elsewhere", (in + "/win/out.lnk").constData()), 0);
        date(in);
    }

    // Every entry dated 1995, folders last so that their entries' changes do not move them.
    static void date(const QByteArray& folder)
    {
        const timespec times[2] = {{k1995, 0}, {k1995, 0}};
        QMap<QByteArray, QByteArray> entries;
        testsupport::listInto(entries, folder, {});
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            ::utimensat(AT_FDCWD, (folder + '/' + it.key()).constData(), times, AT_SYMLINK_NOFOLLOW);
        for (auto it = entries.cend(); it != entries.cbegin();) {
            --it;
            if (it.value() == "/")
                ::utimensat(AT_FDCWD, (folder + '/' + it.key()).constData(), times, 0);
        }
        ::utimensat(AT_FDCWD, folder.constData(), times, 0);
    }

    QByteArray run(rescue::Request request, bool dryRun)
    {
        request.source.codepage.reset();
        request.convertNames = true;
        request.backupSuffix.reset();
        request.dryRun = dryRun;
        request.jobs = 2;
        const rescue::Codepages codepages;
        const base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, codepages);
        const rescue::NameConverter names(codepages, nullptr, 90);
        rescue::Walked walked = rescue::walk(request);
        const rescue::NameHints hints = rescue::NameHints::gather(walked);
        const rescue::Plan plan(request, std::move(walked), &names, &hints);
        Report report;
        rescue::run(request, plan, *conversions, report);
        return report.text;
    }
};

// A dry run changes nothing, bytes, names, times, and tells what the real run then does, row for row;
// the real run keeps the dates, makes links again, reads UTF-16 as iconv does and keeps holes.
TEST_F(Archive, DryRunDiffersOrDatesLinksAndHolesLost)
{
    for (const bool inPlace : {false, true}) {
        const QByteArray top = native(inPlace ? u"in"_s : u"out"_s);
        const auto before = withTimes(native(u"in"_s));
        const QByteArray dry = run(request(inPlace), true);
        EXPECT_TRUE(withTimes(native(u"in"_s)) == before) << inPlace;
        EXPECT_TRUE(inPlace || !QFile::exists(path(u"out"_s)));
        const QByteArray real = run(request(inPlace), false);
        EXPECT_EQ(dry.toStdString(), real.toStdString()) << inPlace;
        const auto after = withTimes(top);
        const QByteArray dated = " @" + QByteArray::number(qint64(k1995));
        EXPECT_EQ(after.value("dos/ΓΡΑΜΜΑ.TXT"), kGreek + dated);
        EXPECT_EQ(after.value("le.txt"), kGreek + " @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("be.txt"), kGreek + " @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("bom.txt"), "\xef\xbb\xbf" + kGreek + " @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("win/a.txt"), kGreek + " @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("link.txt"), "->utf8.txt @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("win/out.lnk"), "->../../elsewhere @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("empty"), "/ @" + QByteArray::number(qint64(k1995)));
        EXPECT_EQ(after.value("dos"), "/ @" + QByteArray::number(qint64(k1995)));
        struct stat image;
        ASSERT_EQ(::stat((top + "/disk.img").constData(), &image), 0);
        EXPECT_EQ(image.st_size, (8 << 20) + 4);
        EXPECT_LT(image.st_blocks * 512, 1 << 20);
    }
}

} // namespace
