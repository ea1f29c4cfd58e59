// SPDX-License-Identifier: GPL-3.0-or-later
// The rescue window's conversion, as the user drives it: what it writes against what iconv writes, the
// user's choices, Cancel half-way, Undo, and the failures it shows.
#include "rescuefixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>

using namespace trelvick;
using rescueapp::Column;
using testing::RescueFixture;
using testing::Stage;

namespace {

// The texts of the archive and the codepage each is in.
const std::pair<const char*, const char*> kTexts[] = {
    {"LETTER.TXT", "CP737"},         {"OLD869.TXT", "CP869"}, {"win.txt", "CP1253"},
    {"web/notes.txt", "ISO-8859-7"}, {"utf8.txt", "UTF-8"},
};

QByteArray withLineEnds(QByteArray text, int ends)
{
    return ends == 1 ? text.replace("\r\n", "\n") : text; // CR LF: the texts have them already
}

bool anyDone(const rescueapp::PlanModel& plan)
{
    for (int r = 0; r < plan.rowCount(); ++r) {
        if (plan.row(r).done)
            return true;
    }
    return false;
}

} // namespace

class RescueRunTest : public QObject
{
    Q_OBJECT

private slots:
    void conversionGivesWhatIconvGives_data();
    void conversionGivesWhatIconvGives();
    void chosenCodepageAndLeftAloneAreHonoured();
    void cancelLeavesEveryFileWhole();
    void undoPutsEveryByteAndNameBack();
    void failureIsShownWithTheFilesName_data();
    void failureIsShownWithTheFilesName();
    void newFolderInsideTheArchiveIsRefused();
};

void RescueRunTest::conversionGivesWhatIconvGives_data()
{
    QTest::addColumn<QByteArray>("picked"); // what the user pressed for a new folder; nothing: in place
    QTest::addColumn<int>("ends");          // the line-end list: as they are, LF, CR LF
    QTest::addColumn<bool>("names");
    QTest::newRow("in place, line ends kept") << QByteArray() << 0 << false;
    QTest::newRow("in place, LF") << QByteArray() << 1 << false;
    QTest::newRow("new folder, line ends kept") << QByteArray("intoFolder") << 0 << false;
    QTest::newRow("new folder, CR LF") << QByteArray("intoFolder") << 2 << false;
    // The names read in the new folder; nothing of the archive to undo.
    QTest::newRow("new folder, names converted") << QByteArray("intoFolder") << 0 << true;
    // A folder chosen while in place is where the user means the archive to go.
    QTest::newRow("new folder by its Choose button") << QByteArray("chooseOutput") << 0 << false;
}

void RescueRunTest::conversionGivesWhatIconvGives()
{
    QFETCH(QByteArray, picked);
    QFETCH(int, ends);
    QFETCH(bool, names);
    const bool inPlace = picked.isEmpty();
    RescueFixture f;
    QVERIFY(f.writeArchive());
    const auto before = f.snapshot();
    f.find<QCheckBox>("convertNames")->setChecked(names);
    if (!inPlace) {
        f.platform.folderResults << testing::ScriptedPlatform::chosen({f.path(u"out"_qs)});
        f.find<QAbstractButton>(picked.constData())->click();
    }
    f.find<QComboBox>("lineEnds")->setCurrentIndex(ends);
    QVERIFY(f.scan());
    f.click("convert");
    QVERIFY(f.waitFor(Stage::Converted));
    QCOMPARE(f.problems(), QStringList());

    const QByteArray into = inPlace ? f.archive() : f.native(u"out"_qs);
    for (const auto& [name, codepage] : kTexts) {
        const QByteArray original = before.value(name);
        QCOMPARE(testsupport::readBytes(into + '/' + name),
                 withLineEnds(testsupport::iconvText(original, codepage, "UTF-8"), ends));
        const bool changed = QByteArray(codepage) != "UTF-8" || ends == 1;
        QCOMPARE(QFile::exists(QString::fromUtf8(f.at(name) + '~')), inPlace && changed);
        if (inPlace && changed)
            QCOMPARE(testsupport::readBytes(f.at(name) + '~'), original);
    }
    QCOMPARE(testsupport::readBytes(into + "/web/photo.png"), before.value("web/photo.png"));
    QCOMPARE(f.snapshot().value("link.txt"), QByteArray("->utf8.txt"));
    if (names)
        QCOMPARE(testsupport::readBytes(into + "/ΜΕΝΟΥ.TXT"), withLineEnds(testing::kGreek, ends));
    if (!inPlace) {
        QCOMPARE(f.snapshot(), before);
        QCOMPARE(QFile::symLinkTarget(f.path(u"out/link.txt"_qs)), f.path(u"out/utf8.txt"_qs));
    }
    const QStringList reports = QDir(f.path(u"data/trelvick/reports"_qs)).entryList(QDir::Files);
    QCOMPARE(reports.size(), 1);
    const QByteArray report = f.read(u"data/trelvick/reports/"_qs + reports.front());
    QVERIFY(report.contains(f.at("LETTER.TXT") + "\tCP737\tUTF-8\tconverted\t"));
    QVERIFY(f.find<QLabel>("report")->text().endsWith(reports.front()));
    QCOMPARE(f.find<QPushButton>("undo")->isEnabled(), inPlace);
}

void RescueRunTest::chosenCodepageAndLeftAloneAreHonoured()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    // Two letters: the guess leans to 1251 and is in doubt; the user knows better.
    testsupport::writeBytes(f.at("short.txt"), testsupport::iconvText("Αθ", "UTF-8", "CP1253"));
    QVERIFY(f.scan());
    const int shortRow = f.row(u"archive/short.txt"_qs);
    QCOMPARE(f.cell(shortRow, Column::Action), u"in doubt"_qs);
    f.select({u"archive/short.txt"_qs});
    auto* list = f.find<QListWidget>("candidates");
    QListWidgetItem* cp1253 = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toInt() == int(guess::Encoding::Cp1253))
            cp1253 = list->item(i);
    }
    QVERIFY(cp1253);
    QVERIFY(cp1253->text().startsWith(u"CP1253 · "_qs));
    QVERIFY(cp1253->text().endsWith(u"\nΑθ"_qs)); // its preview
    list->setCurrentItem(cp1253);
    f.click("readAs");
    QCOMPARE(f.cell(shortRow, Column::Codepage), u"CP1253"_qs);
    QCOMPARE(f.cell(shortRow, Column::Action), u"convert (your choice)"_qs);
    f.select({u"archive/LETTER.TXT"_qs, u"archive/win.txt"_qs});
    f.click("leaveAlone");
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), u"leave (your choice)"_qs);
    f.select({u"archive/win.txt"_qs});
    f.click("asGuessed");
    QCOMPARE(f.cell(f.row(u"archive/win.txt"_qs), Column::Action), u"convert"_qs);

    // Another option makes another plan; the user's word on each file stays.
    f.find<QCheckBox>("convertNames")->setChecked(true);
    QVERIFY(f.waitFor(Stage::Planned));
    QCOMPARE(f.cell(f.row(u"archive/short.txt"_qs), Column::Action), u"convert (your choice)"_qs);
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), u"leave (your choice)"_qs);
    QCOMPARE(f.cell(f.row(u"archive/win.txt"_qs), Column::Action), u"convert"_qs);

    f.click("convert");
    QVERIFY(f.waitFor(Stage::Converted));
    QCOMPARE(testsupport::readBytes(f.at("short.txt")), QByteArray("Αθ"));
    QCOMPARE(testsupport::readBytes(f.at("LETTER.TXT")), RescueFixture::in("CP737"));
    QVERIFY(!QFile::exists(QString::fromUtf8(f.at("LETTER.TXT~"))));
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), u"skipped"_qs);
    QCOMPARE(testsupport::readBytes(f.at("win.txt")), testing::kGreek);
    QCOMPARE(f.problems(), QStringList());
}

void RescueRunTest::cancelLeavesEveryFileWhole()
{
    RescueFixture f;
    f.window->setJobs(1);
    constexpr int kFiles = 3000;
    testsupport::makePath(f.archive());
    const QByteArray text = RescueFixture::in("CP737");
    const auto original = [&text](int i) { return text + QByteArray::number(i); };
    for (int i = 0; i < kFiles; ++i)
        testsupport::writeBytes(f.at(QByteArray::number(10000 + i) + ".txt"), original(i));
    QVERIFY(f.scan());
    f.click("convert");
    QTRY_VERIFY_WITH_TIMEOUT(anyDone(f.window->plan()), 30000);
    f.click("cancel");
    QVERIFY(f.waitFor(Stage::Converted));
    QVERIFY(f.find<QLabel>("status")->text().startsWith(u"Cancelled after "_qs));

    int converted = 0;
    int untouched = 0;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = f.at(QByteArray::number(10000 + i) + ".txt");
        const QByteArray now = testsupport::readBytes(name);
        const QByteArray backup = testsupport::readBytes(name + '~');
        if (now == testing::kGreek + QByteArray::number(i) && backup == original(i))
            ++converted;
        else if (now == original(i) && backup == "<missing>")
            ++untouched;
        else
            QFAIL(qPrintable(u"file %1 is neither converted whole nor as it was"_qs.arg(i)));
    }
    QVERIFY(converted > 0);
    QVERIFY2(untouched > 0, "the conversion ran to its end: cancel came too late to show anything");
}

void RescueRunTest::undoPutsEveryByteAndNameBack()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    // A folder named in 737 is renamed, its file converted for its line ends.
    const QByteArray folder = testsupport::iconvText("ΦΑΚΕΛΟΣ", "UTF-8", "CP737");
    QVERIFY(testsupport::makePath(f.at(folder)) && testsupport::writeBytes(f.at(folder + "/a.txt"), testing::kGreek));
    const auto before = f.snapshot();
    f.find<QCheckBox>("convertNames")->setChecked(true);
    f.find<QComboBox>("lineEnds")->setCurrentIndex(1);
    QVERIFY(f.scan());
    f.click("convert");
    QVERIFY(f.waitFor(Stage::Converted));
    const auto converted = f.snapshot();
    QVERIFY(converted.contains("ΜΕΝΟΥ.TXT") && !converted.contains(testing::kName737));
    QVERIFY(converted.contains("ΦΑΚΕΛΟΣ/a.txt~"));
    QVERIFY(converted.value("utf8.txt") != before.value("utf8.txt"));
    f.click("undo");
    QVERIFY(f.waitFor(Stage::Undone));
    QCOMPARE(f.snapshot(), before);
    QCOMPARE(f.problems(), QStringList());
    QCOMPARE(f.find<QLabel>("status")->text(),
             u"Undone: 7 files restored, 1 names given back, 0 left as they are, 0 failed."_qs);
}

void RescueRunTest::failureIsShownWithTheFilesName_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("action");
    QTest::newRow("its backup's name taken after the scan") << 0 << u"failed"_qs;
    QTest::newRow("replaced by another file after the scan") << 1 << u"skipped"_qs;
    QTest::newRow("gone after the scan") << 2 << u"failed"_qs;
}

void RescueRunTest::failureIsShownWithTheFilesName()
{
    QFETCH(int, fault);
    QFETCH(QString, action);
    RescueFixture f;
    QVERIFY(f.writeArchive());
    QVERIFY(f.scan());
    const QByteArray letter = f.at("LETTER.TXT");
    if (fault == 0) {
        QVERIFY(testsupport::writeBytes(letter + '~', "someone else's"));
    } else if (fault == 1) {
        QVERIFY(testsupport::writeBytes(letter + ".new", "replaced"));
        QVERIFY(::rename((letter + ".new").constData(), letter.constData()) == 0);
    } else {
        QVERIFY(::unlink(letter.constData()) == 0);
    }
    f.click("convert");
    QVERIFY(f.waitFor(Stage::Converted));
    const QStringList problems = f.problems();
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.front().startsWith(u"archive/LETTER.TXT: "_qs) &&
                 problems.front().size() > u"archive/LETTER.TXT: "_qs.size(),
             qPrintable(problems.front()));
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), action);
    QCOMPARE(testsupport::readBytes(f.at("OLD869.TXT")), testing::kGreek);
}

void RescueRunTest::newFolderInsideTheArchiveIsRefused()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    f.platform.folderResults << testing::ScriptedPlatform::chosen({f.path(u"archive/clean"_qs)});
    f.find<QRadioButton>("intoFolder")->click();
    f.platform.answers << platform::Answer::Ok;
    QVERIFY(f.scan(Stage::Empty));
    QCOMPARE(f.platform.boxes.size(), 1);
    QVERIFY(f.platform.boxes.front().text.contains(u"lies inside the archive"_qs));
    QVERIFY(!f.find<QPushButton>("convert")->isEnabled());
    QVERIFY(!QFile::exists(f.path(u"archive/clean"_qs)));
}

QTEST_MAIN(RescueRunTest)
#include "rescueruntest.moc"
