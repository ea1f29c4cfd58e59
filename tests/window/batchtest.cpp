// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QFileInfo>
#include <QTest>

using namespace trelvick;
using testing::ScriptedPlatform;
using testing::WindowFixture;

namespace {

struct Batch
{
    QStringList inputs;
    QList<QByteArray> expected; // the bytes of each ".out"
};

// Three files in the work folder, converted by Μ1 (a->b, A->A).
Batch threeFiles(const WindowFixture& f)
{
    Batch batch;
    const QList<QByteArray> contents{"alpha\r\nAbc", "\rb\na\r", ""};
    batch.expected = {"blphb\r\nAbc\r\n", "\r\nb\nb\r\n", ""};
    const char* names[] = {"one.txt", "two", "three.dat"};
    for (int i = 0; i < 3; ++i) {
        batch.inputs << f.work(QString::fromLatin1(names[i]));
        f.write(batch.inputs.last(), contents[i]);
    }
    return batch;
}

QString greekQuestion(int count, const QString& folder)
{
    return QStringLiteral("Επιλέξατε την μετατροπή της κωδικοσελίδας %1 αρχείων.\r\n\r\n"
                          "Δεν θα έχετε την δυνατότητα να διακόψετε την διαδικασία της μετατροπής.\r\n\r\n"
                          "Όταν ολοκληρωθεί η διαδικασία της μετατροπής, η εφαρμογή θα τερματισθεί.\r\n\r\n"
                          "Τα αρχεία εξόδου θα έχουν το ίδιο όνομα με τα αρχεία εισόδου, θα έχουν ως κατάληξη την "
                          "συμβολοσειρά «.OUT» και θα αποθηκευθούν στον φάκελλο «%2». Εάν υπάρχουν ήδη, θα "
                          "διαγράφονται.\r\n\r\n"
                          "Η απόφασή σας για την μετατροπή είναι οριστική;")
        .arg(count)
        .arg(folder);
}

QString englishQuestion(int count, const QString& folder)
{
    return QStringLiteral("You are about to convert the codepage of %1 files.\r\n\r\n"
                          "You will not have the option of stopping the conversion process.\r\n\r\n"
                          "The application will shut down as soon as the conversion process finishes.\r\n\r\n"
                          "The output files will have the same name as the input files, the string '.OUT' will be "
                          "used as an extension, and will be stored in the '%2' folder. If they already exist, they "
                          "will be deleted.\r\n\r\n"
                          "Do you really want to convert these files?")
        .arg(count)
        .arg(folder);
}

} // namespace

class BatchTest : public testing::WindowTest
{
    Q_OBJECT

private slots:
    void yesConvertsEveryFileBesideItAndEnds();
    void noShowsTheDialogAgainAndASingleFileProceedsAlone();
    void faultyTableEndsAtTheFirstFileBeforeAnyOutput();
    void failureMidwayKeepsEarlierOutputsAndStops();
    void outputReplacingAnInputIsRefusedUntouched();
};

void BatchTest::yesConvertsEveryFileBesideItAndEnds()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const Batch batch = threeFiles(f);
    // An earlier, longer result is replaced without a question.
    QVERIFY(f.write(batch.inputs[1] + QStringLiteral(".out"), QByteArray(4000, 'z')));
    QVERIFY(!f.available("c3dConvert"));
    QStringList shown;
    f.platform.onProcessEvents = [&] { shown << f.text("lblPleaseWait") + u'|' + f.text("txtProgress"); };
    QStringList progress;
    connect(f.find<QLineEdit>("txtProgress"), &QLineEdit::textChanged, this,
            [&](const QString& text) { progress << text; });

    f.platform.answers << platform::Answer::Yes;
    f.selectInput(batch.inputs);

    // No beep before the question, and no end message after the run.
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("open"), QStringLiteral("box:Μετατροπή πολλών αρχείων"),
                                          QStringLiteral("end")}));
    const platform::MessageBoxRequest& question = f.platform.boxes.front();
    QCOMPARE(question.text, greekQuestion(3, f.workFolder()));
    QCOMPARE(question.icon, platform::Icon::Question);
    QCOMPARE(question.buttons, platform::Buttons::YesNo);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.read(batch.inputs[i] + QStringLiteral(".out")), batch.expected[i]);
    QCOMPARE(f.platform.exitStatus, 0);
    // The single-file selection is not touched.
    QVERIFY(!f.window->state().InputFileDefined);
    QCOMPARE(f.text("txtInputFullPathName"), QString());
    // Progress restarts for every file; a slow machine may yield more than once per file.
    shown.removeDuplicates();
    QCOMPARE(shown, (QStringList{QStringLiteral("Μετατροπή αρχείου 1 από 3.|100%"),
                                 QStringLiteral("Μετατροπή αρχείου 2 από 3.|100%"),
                                 QStringLiteral("Μετατροπή αρχείου 3 από 3.|100%")}));
    QCOMPARE(progress.count(QStringLiteral("100%")), 3);
    QCOMPARE(progress.count(QStringLiteral("0%")), 3);
    QCOMPARE(progress.last(), QStringLiteral("0%"));
    QCOMPARE(f.text("lblPleaseWait"), QStringLiteral("Μετατροπή αρχείου 3 από 3."));
}

void BatchTest::noShowsTheDialogAgainAndASingleFileProceedsAlone()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const Batch batch = threeFiles(f);
    f.click("c3dEnglish");
    f.platform.answers << platform::Answer::No;
    f.platform.openResults << ScriptedPlatform::chosen(batch.inputs.mid(0, 2));
    f.selectInput({batch.inputs[2]});

    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("open"), QStringLiteral("box:Multiple file conversion"),
                                          QStringLiteral("open")}));
    QCOMPARE(f.platform.boxes.front().text, englishQuestion(2, f.workFolder()));
    QCOMPARE(f.platform.openRequests[1].title, f.platform.openRequests[0].title);
    QCOMPARE(f.platform.openRequests[1].folder, f.platform.openRequests[0].folder);
    for (const QString& input : batch.inputs)
        QVERIFY2(!QFileInfo::exists(input + QStringLiteral(".out")), qPrintable(input));
    QCOMPARE(f.find<QListWidget>("lstListOfFilenames")->count(), 0);
    QCOMPARE(f.window->state().InputFilePath, batch.inputs[2]);
    QCOMPARE(f.text("txtInputFullPathName"), batch.inputs[2]);
    QVERIFY(f.text("lblPleaseWait").startsWith(QStringLiteral("Input file: 0 bytes")));
    QVERIFY(f.available("c3dInputDelete"));
    QVERIFY(!f.available("c3dConvert"));

    // With the list empty, Convert is an ordinary single-file run.
    QVERIFY(f.write(batch.inputs[2], "a"));
    f.selectOutput(f.work(QStringLiteral("single.out")));
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.work(QStringLiteral("single.out"))), QByteArray("b\r\n"));
    QCOMPARE(f.platform.boxes.last().title, QStringLiteral("End of conversion"));
    QVERIFY(!f.platform.ended);
    QVERIFY(f.platform.unexpected.isEmpty());
}

// A faulty table ends the run before any output is touched, at the first file as for a single one.
void BatchTest::faultyTableEndsAtTheFirstFileBeforeAnyOutput()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const Batch batch = threeFiles(f);
    QVERIFY(f.write(batch.inputs[0] + QStringLiteral(".out"), "keep"));
    f.find<QComboBox>("cboConverterSelection")->setCurrentIndex(1);
    f.platform.answers << platform::Answer::Yes << platform::Answer::Ok;
    f.selectInput(batch.inputs);

    QCOMPARE(f.platform.log,
             (QStringList{QStringLiteral("open"), QStringLiteral("box:Μετατροπή πολλών αρχείων"),
                          QStringLiteral("beep"), QStringLiteral("box:Μετατροπή"), QStringLiteral("end")}));
    QCOMPARE(f.platform.boxes.last().text,
             QStringLiteral("Η εφαρμογή δεν έχει τις απαραίτητες πληροφορίες για να κάνει τη μετατροπή «Faulty»."
                            "\r\n\r\nΗ ενότητα με τις αντιστοιχίες των κωδικών μετατροπής είτε λείπει ή περιέχει "
                            "λανθασμένες πληροφορίες."));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Stop);
    QCOMPARE(f.platform.processEventsCalls, 0);
    QCOMPARE(f.platform.exitStatus, 1);
    QCOMPARE(f.read(batch.inputs[0] + QStringLiteral(".out")), QByteArray("keep"));
    QVERIFY(!QFileInfo::exists(batch.inputs[1] + QStringLiteral(".out")));
    QVERIFY(!QFileInfo::exists(batch.inputs[2] + QStringLiteral(".out")));
    QCOMPARE(f.text("lblPleaseWait"), QString());
}

void BatchTest::failureMidwayKeepsEarlierOutputsAndStops()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    Batch batch = threeFiles(f);
    QVERIFY(QFile::remove(batch.inputs[1]));
    f.platform.answers << platform::Answer::Yes << platform::Answer::Ok;
    f.selectInput(batch.inputs);

    QCOMPARE(f.platform.boxes.last().title, QStringLiteral("Trelvick - Μετατροπή"));
    QVERIFY(f.platform.boxes.last().text.startsWith(QStringLiteral("Προέκυψε το λάθος «NO SUCH FILE OR DIRECTORY»")));
    QCOMPARE(f.platform.exitStatus, 1);
    QCOMPARE(f.read(batch.inputs[0] + QStringLiteral(".out")), batch.expected[0]);
    QVERIFY(!QFileInfo::exists(batch.inputs[1] + QStringLiteral(".out")));
    QVERIFY(!QFileInfo::exists(batch.inputs[2] + QStringLiteral(".out")));
    QCOMPARE(f.platform.log.count(QStringLiteral("end")), 1);
}

// one.txt.out is itself an input: converting one.txt first would replace it before it is read.
void BatchTest::outputReplacingAnInputIsRefusedUntouched()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    Batch batch = threeFiles(f);
    batch.inputs << batch.inputs[0] + QStringLiteral(".out");
    QVERIFY(f.write(batch.inputs.last(), "keep"));
    const QStringList before = QDir(f.workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    f.platform.answers << platform::Answer::Yes << platform::Answer::Ok;
    f.selectInput(batch.inputs);

    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("open"), QStringLiteral("box:Μετατροπή πολλών αρχείων"),
                                          QStringLiteral("beep"), QStringLiteral("box:Λανθασμένα ονόματα αρχείων"),
                                          QStringLiteral("end")}));
    QCOMPARE(QDir(f.workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(f.read(batch.inputs.last()), QByteArray("keep"));
}

QTEST_MAIN(BatchTest)
#include "batchtest.moc"
