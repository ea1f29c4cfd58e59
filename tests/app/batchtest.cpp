// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QFileInfo>

using namespace trelvick;
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
    Batch batch{{f.work(u"one.txt"_qs), f.work(u"two"_qs), f.work(u"three.dat"_qs)},
                {"blphb\r\nAbc\r\n", "\r\nb\nb\r\n", ""}};
    const QList<QByteArray> contents{"alpha\r\nAbc", "\rb\na\r", ""};
    for (int i = 0; i < 3; ++i)
        f.write(batch.inputs[i], contents[i]);
    return batch;
}

} // namespace

class BatchTest : public QObject
{
    Q_OBJECT

private slots:
    void yesConvertsEveryFileBesideItAndEnds();
    void noShowsTheDialogAgainAndASingleFileProceedsAlone();
    void failureEndsTheRunKeepingEarlierOutputs_data();
    void failureEndsTheRunKeepingEarlierOutputs();
};

void BatchTest::yesConvertsEveryFileBesideItAndEnds()
{
    WindowFixture f;
    QVERIFY(f.start());
    const Batch batch = threeFiles(f);
    // An earlier, longer result is replaced without a question.
    QVERIFY(f.write(batch.inputs[1] + u".out"_qs, QByteArray(4000, 'z')));
    QStringList shown;
    f.platform.onProcessEvents = [&] { shown << f.text("lblPleaseWait") + u'|' + f.text("txtProgress"); };
    QStringList progress;
    connect(f.find<QLineEdit>("txtProgress"), &QLineEdit::textChanged, this,
            [&](const QString& text) { progress << text; });

    f.platform.answers << platform::Answer::Yes;
    f.selectInput(batch.inputs);

    // No beep before the question, and no end message after the run.
    QCOMPARE(f.platform.log, (QStringList{u"open"_qs, u"box:Μετατροπή πολλών αρχείων"_qs, u"end"_qs}));
    const platform::MessageBoxRequest& question = f.platform.boxes.front();
    QCOMPARE(question.text,
             u"Επιλέξατε την μετατροπή της κωδικοσελίδας 3 αρχείων.\r\n\r\n"
             u"Δεν θα έχετε την δυνατότητα να διακόψετε την διαδικασία της μετατροπής.\r\n\r\n"
             u"Όταν ολοκληρωθεί η διαδικασία της μετατροπής, η εφαρμογή θα τερματισθεί.\r\n\r\n"
             u"Τα αρχεία εξόδου θα έχουν το ίδιο όνομα με τα αρχεία εισόδου, θα έχουν ως κατάληξη την "
             u"συμβολοσειρά «.OUT» και θα αποθηκευθούν στον φάκελλο «%1». Εάν υπάρχουν ήδη, θα διαγράφονται.\r\n\r\n"
             u"Η απόφασή σας για την μετατροπή είναι οριστική;"_qs.arg(f.workFolder()));
    QCOMPARE(question.icon, platform::Icon::Question);
    QCOMPARE(question.buttons, platform::Buttons::YesNo);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.read(batch.inputs[i] + u".out"_qs), batch.expected[i]);
    QCOMPARE(f.platform.exitStatus, 0);
    // The single-file selection is not touched.
    QVERIFY(!f.window->state().InputFileDefined);
    QCOMPARE(f.text("txtInputFullPathName"), QString());
    // Progress restarts for every file; a slow machine may yield more than once per file.
    shown.removeDuplicates();
    QCOMPARE(shown, (QStringList{u"Μετατροπή αρχείου 1 από 3.|100%"_qs, u"Μετατροπή αρχείου 2 από 3.|100%"_qs,
                                 u"Μετατροπή αρχείου 3 από 3.|100%"_qs}));
    QCOMPARE(progress.count(u"100%"_qs), 3);
    QCOMPARE(progress.count(u"0%"_qs), 3);
    QCOMPARE(progress.last(), u"0%"_qs);
    QCOMPARE(f.text("lblPleaseWait"), u"Μετατροπή αρχείου 3 από 3."_qs);
}

void BatchTest::noShowsTheDialogAgainAndASingleFileProceedsAlone()
{
    WindowFixture f;
    QVERIFY(f.start());
    const Batch batch = threeFiles(f);
    f.click("c3dEnglish");
    f.platform.answers << platform::Answer::No;
    f.platform.openResults << testing::ScriptedPlatform::chosen(batch.inputs.mid(0, 2));
    f.selectInput({batch.inputs[2]});

    QCOMPARE(f.platform.log, (QStringList{u"open"_qs, u"box:Multiple file conversion"_qs, u"open"_qs}));
    QCOMPARE(f.platform.boxes.front().text,
             u"You are about to convert the codepage of 2 files.\r\n\r\n"
             u"You will not have the option of stopping the conversion process.\r\n\r\n"
             u"The application will shut down as soon as the conversion process finishes.\r\n\r\n"
             u"The output files will have the same name as the input files, the string '.OUT' will be used as an "
             u"extension, and will be stored in the '%1' folder. If they already exist, they will be deleted.\r\n\r\n"
             u"Do you really want to convert these files?"_qs.arg(f.workFolder()));
    QCOMPARE(f.platform.openRequests[1].title, f.platform.openRequests[0].title);
    QCOMPARE(f.platform.openRequests[1].folder, f.platform.openRequests[0].folder);
    for (const QString& input : batch.inputs)
        QVERIFY2(!QFileInfo::exists(input + u".out"_qs), qPrintable(input));
    QCOMPARE(f.find<QListWidget>("lstListOfFilenames")->count(), 0);
    QCOMPARE(f.window->state().InputFilePath, batch.inputs[2]);
    QCOMPARE(f.text("txtInputFullPathName"), batch.inputs[2]);
    QVERIFY(f.text("lblPleaseWait").startsWith(u"Input file: 0 bytes"_qs));
    QVERIFY(f.available("c3dInputDelete"));
    QVERIFY(!f.available("c3dConvert"));

    // With the list empty, Convert is an ordinary single-file run.
    QVERIFY(f.write(batch.inputs[2], "a"));
    f.selectOutput(f.outputFile());
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.outputFile()), QByteArray("b\r\n"));
    QCOMPARE(f.platform.boxes.last().title, u"End of conversion"_qs);
    QCOMPARE(f.platform.exitStatus, -1);
}

void BatchTest::failureEndsTheRunKeepingEarlierOutputs_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("title"); // of the box after the question
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line"); // the label left behind
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<QByteArray>>("outputs"); // of one.txt, two, three.dat and one.txt.out
    const QByteArray none("<missing>");
    // Before any output is touched, at the first file as for a single one.
    QTest::newRow("faulty table")
        << u"faulty table"_qs << u"Μετατροπή"_qs
        << u"Η εφαρμογή δεν έχει τις απαραίτητες πληροφορίες για να κάνει τη μετατροπή «Faulty»."
           u"\r\n\r\nΗ ενότητα με τις αντιστοιχίες των κωδικών μετατροπής είτε λείπει ή περιέχει "
           u"λανθασμένες πληροφορίες."_qs
        << QString() << 1 << QList<QByteArray>{"keep", none, none, none};
    QTest::newRow("second input removed")
        << u"second input removed"_qs << u"Trelvick - Μετατροπή"_qs
        << u"Προέκυψε το λάθος «NO SUCH FILE OR DIRECTORY».\r\n\r\nΗ εφαρμογή δεν μπορεί να κάνει τη μετατροπή."_qs
        << u"Μετατροπή αρχείου 1 από 3."_qs << 1 << QList<QByteArray>{"blphb\r\nAbc\r\n", none, none, none};
    // one.txt.out is itself an input: converting one.txt first would replace it before it is read.
    QTest::newRow("an output is also an input")
        << u"an output is also an input"_qs << u"Λανθασμένα ονόματα αρχείων"_qs
        << u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν το όνομα του αρχείου εισόδου είναι ίδιο με το όνομα του "
           u"αρχείου εξόδου."_qs
        << QString() << 0 << QList<QByteArray>{"keep", none, none, none};
    // two.out leads to one.txt.out: the second result would take the first one's place.
    QTest::newRow("two outputs are one file")
        << u"two outputs are one file"_qs << u"Λανθασμένα ονόματα αρχείων"_qs
        << u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν το όνομα του αρχείου εισόδου είναι ίδιο με το όνομα του "
           u"αρχείου εξόδου."_qs
        << QString() << 0 << QList<QByteArray>{"keep", "keep", none, none};
}

void BatchTest::failureEndsTheRunKeepingEarlierOutputs()
{
    QFETCH(QString, fault);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QFETCH(int, status);
    QFETCH(QList<QByteArray>, outputs);
    WindowFixture f;
    QVERIFY(f.start());
    Batch batch = threeFiles(f);
    const QString kept = batch.inputs[0] + u".out"_qs;
    if (fault != u"second input removed"_qs)
        QVERIFY(f.write(kept, "keep"));
    if (fault == u"faulty table"_qs)
        f.find<QComboBox>("cboConverterSelection")->setCurrentIndex(1);
    if (fault == u"second input removed"_qs)
        QVERIFY(QFile::remove(batch.inputs[1]));
    if (fault == u"an output is also an input"_qs)
        batch.inputs << kept;
    if (fault == u"two outputs are one file"_qs)
        QVERIFY(QFile::link(kept, batch.inputs[1] + u".out"_qs));
    f.platform.answers << platform::Answer::Yes << platform::Answer::Ok;
    f.selectInput(batch.inputs);

    QCOMPARE(f.platform.log,
             (QStringList{u"open"_qs, u"box:Μετατροπή πολλών αρχείων"_qs, u"beep"_qs, u"box:"_qs + title, u"end"_qs}));
    QCOMPARE(f.platform.boxes.last().text, text);
    // Refused names only inform; the run then ends as a finished one does.
    QCOMPARE(f.platform.boxes.last().icon, status ? platform::Icon::Stop : platform::Icon::Information);
    QCOMPARE(f.platform.exitStatus, status);
    QVERIFY(!f.window->state().ConversionRunning);
    QCOMPARE(f.text("lblPleaseWait"), line);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.read(batch.inputs[i] + u".out"_qs), outputs[i]);
    QCOMPARE(f.read(kept + u".out"_qs), outputs[3]);
}

QTEST_MAIN(BatchTest)
#include "batchtest.moc"
