// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace trelvick;
using testing::ScriptedPlatform;
using testing::WindowFixture;

namespace {

QString upperErrno(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum)).toUpper();
}

QString conversionFailure(const QString& error)
{
    return QStringLiteral("Προέκυψε το λάθος «") + error +
           QStringLiteral("».\r\n\r\nΗ εφαρμογή δεν μπορεί να κάνει τη μετατροπή.");
}

// Input and output chosen, both in the work folder, ready to convert.
void prepare(WindowFixture& f, const QByteArray& input, const QString& inputName = QStringLiteral("in.txt"),
             const QString& outputName = QStringLiteral("out.txt"))
{
    QVERIFY(f.write(f.work(inputName), input));
    f.selectInput({f.work(inputName)});
    f.selectOutput(f.work(outputName));
    QVERIFY(f.available("c3dConvert"));
}

} // namespace

class ConversionTest : public testing::WindowTest
{
    Q_OBJECT

private slots:
    void dialogsOpenInTheFolderOfTheLastSelection_data();
    void dialogsOpenInTheFolderOfTheLastSelection();
    void inputDialogFailureEndsTheProgram_data();
    void inputDialogFailureEndsTheProgram();
    void outputFileChangedComparesTheExactPath_data();
    void outputFileChangedComparesTheExactPath();
    void oneFileUnderTwoNamesIsRefusedUntouched_data();
    void oneFileUnderTwoNamesIsRefusedUntouched();
    void previousResultsAreKeptOnNoAndAskedAgain();
    void resultIsWrittenAndCounted();
    void viewAndEditComeBackOnlyWhereConfigured_data();
    void viewAndEditComeBackOnlyWhereConfigured();
    void windowRefusesEverythingWhileTheRunYields();
    void runTimeFailureEndsWithTheInputIntact_data();
    void runTimeFailureEndsWithTheInputIntact();
};

void ConversionTest::dialogsOpenInTheFolderOfTheLastSelection_data()
{
    QTest::addColumn<bool>("withInput");
    QTest::addColumn<bool>("withOutput");
    QTest::newRow("nothing chosen: the root") << false << false;
    QTest::newRow("input only") << true << false;
    QTest::newRow("output only") << false << true;
    QTest::newRow("both: input wins for input, output for output") << true << true;
}

void ConversionTest::dialogsOpenInTheFolderOfTheLastSelection()
{
    QFETCH(bool, withInput);
    QFETCH(bool, withOutput);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni(QStringLiteral("/bin/true")));
    QVERIFY(f.start());
    QVERIFY(QDir().mkpath(f.work(QStringLiteral("in"))));
    QVERIFY(QDir().mkpath(f.work(QStringLiteral("out"))));
    const QString input = f.work(QStringLiteral("in/a.txt"));
    const QString output = f.work(QStringLiteral("out/b.txt"));
    QVERIFY(f.write(input, "a"));
    if (withInput)
        f.selectInput({input});
    if (withOutput)
        f.selectOutput(output);

    f.platform.openResults << ScriptedPlatform::cancelled();
    f.platform.saveResults << ScriptedPlatform::cancelled();
    f.click("c3dInputDefine");
    f.click("c3dOutputDefine");
    const QString inFolder = f.work(QStringLiteral("in/"));
    const QString outFolder = f.work(QStringLiteral("out/"));
    const QString root = QStringLiteral("/");
    QCOMPARE(f.platform.openRequests.last().folder, withInput ? inFolder : withOutput ? outFolder : root);
    QCOMPARE(f.platform.saveRequests.last().folder, withOutput ? outFolder : withInput ? inFolder : root);
    QCOMPARE(f.platform.saveRequests.last().fileName, withOutput ? output : QString());
    QCOMPARE(f.platform.openRequests.last().title, QStringLiteral("Επιλογή αρχείου(ων) εισόδου"));
    QCOMPARE(f.platform.saveRequests.last().title, QStringLiteral("Επιλογή αρχείου εξόδου"));
    // A cancel keeps whatever was chosen; without an editor Edit never becomes available.
    QCOMPARE(f.window->state().InputFileDefined, withInput);
    QCOMPARE(f.available("c3dInputView"), withInput);
    QCOMPARE(f.available("c3dInputRename"), withInput);
    QVERIFY(!f.available("c3dInputEdit") && !f.available("c3dOutputEdit"));
    QCOMPARE(f.available("c3dOutputView"), withOutput);
    QCOMPARE(f.text("txtOutputFullPathName"), withOutput ? output : QString());
    QCOMPARE(f.available("c3dOutputRename"), withOutput);
    QCOMPARE(f.available("c3dOutputDelete"), withOutput);
    QCOMPARE(f.available("c3dConvert"), withInput && withOutput);
    QVERIFY(f.platform.boxes.isEmpty());
}

void ConversionTest::inputDialogFailureEndsTheProgram_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("greek") << false << QStringLiteral("Trelvick - Επιλογή αρχείου(ων) εισόδου")
                           << QStringLiteral("Προέκυψε το λάθος «Buffer too small».");
    QTest::newRow("english") << true << QStringLiteral("Trelvick - Input file(s) selection")
                             << QStringLiteral("Error 'Buffer too small' has occured.");
}

void ConversionTest::inputDialogFailureEndsTheProgram()
{
    QFETCH(bool, english);
    QFETCH(QString, title);
    QFETCH(QString, text);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    if (english)
        f.click("c3dEnglish");
    f.platform.openResults << ScriptedPlatform::failed(QStringLiteral("Buffer too small"));
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dInputDefine");
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("open"), QStringLiteral("beep"),
                                          QStringLiteral("box:") + title, QStringLiteral("end")}));
    QCOMPARE(f.platform.boxes.front().text, text);
    QCOMPARE(f.platform.boxes.front().icon, platform::Icon::Exclamation);
    QCOMPARE(f.platform.exitStatus, 1);
    QVERIFY(!f.window->state().InputFileDefined);
}

void ConversionTest::outputFileChangedComparesTheExactPath_data()
{
    QTest::addColumn<QString>("again");
    QTest::addColumn<bool>("asked");
    QTest::newRow("same path: the next run asks") << QStringLiteral("out.txt") << true;
    QTest::newRow("letter case differs: a new output, replaced") << QStringLiteral("OUT.txt") << false;
}

void ConversionTest::outputFileChangedComparesTheExactPath()
{
    QFETCH(QString, again);
    QFETCH(bool, asked);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    prepare(f, "a");
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(!f.window->state().OutputFileChanged);

    // A new output that already exists is replaced, also without a question.
    if (!asked)
        QVERIFY(f.write(f.work(again), QByteArray(5000, 'z')));
    f.selectOutput(f.work(again));
    QCOMPARE(f.window->state().OutputFileChanged, !asked);
    if (asked)
        f.platform.answers << platform::Answer::Yes;
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QStringList titles;
    for (const platform::MessageBoxRequest& box : f.platform.boxes)
        titles << box.title;
    const QString end = QStringLiteral("Τέλος μετατροπής");
    QCOMPARE(titles, (asked ? QStringList{end, QStringLiteral("Μετατροπή"), end} : QStringList{end, end}));
    QCOMPARE(f.read(f.work(again)), QByteArray("b\r\n"));
}

void ConversionTest::oneFileUnderTwoNamesIsRefusedUntouched_data()
{
    QTest::addColumn<QString>("outputName");
    QTest::addColumn<QString>("link"); // "hard" or "undecodable"
    // Which names lead to one file is the file layer's to say; the window asks it.
    QTest::newRow("hard link") << QStringLiteral("link.txt") << QStringLiteral("hard");
    // A name Qt could not decode: created as shown, it would be another file.
    QTest::newRow("undecodable") << QStringLiteral("x\uFFFD.txt") << QStringLiteral("undecodable");
}

void ConversionTest::oneFileUnderTwoNamesIsRefusedUntouched()
{
    QFETCH(QString, outputName);
    QFETCH(QString, link);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const QByteArray content("aAa\r\nline two\r\n");
    QVERIFY(f.write(f.work(QStringLiteral("in.txt")), content));
    if (link == QStringLiteral("hard"))
        QCOMPARE(::link(qPrintable(f.work(QStringLiteral("in.txt"))), qPrintable(f.work(outputName))), 0);
    f.selectInput({f.work(QStringLiteral("in.txt"))});
    f.selectOutput(f.work(outputName));

    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.log.mid(f.platform.log.indexOf(QStringLiteral("beep"))),
             (QStringList{QStringLiteral("beep"), QStringLiteral("box:Λανθασμένα ονόματα αρχείων")}));
    QCOMPARE(f.platform.boxes.front().text,
             link == QStringLiteral("undecodable")
                 ? QStringLiteral("Το όνομα του αρχείου «%1» περιέχει χαρακτήρες που η εφαρμογή δεν μπορεί να "
                                  "αναπαραστήσει. Μετονομάστε το αρχείο και δοκιμάστε ξανά.")
                       .arg(f.work(outputName))
                 : QStringLiteral("Η εφαρμογή δεν μπορεί να λειτουργήσει αν το όνομα του αρχείου εισόδου είναι ίδιο "
                                  "με το όνομα του αρχείου εξόδου."));
    QCOMPARE(f.platform.boxes.front().icon, platform::Icon::Information);
    QCOMPARE(f.read(f.work(QStringLiteral("in.txt"))), content);
    if (link == QStringLiteral("undecodable"))
        QVERIFY(!QFileInfo::exists(f.work(outputName)));
    QVERIFY(f.window->state().OutputFileChanged);
    QVERIFY(f.available("c3dConvert"));
    QVERIFY(!f.platform.ended);
}

void ConversionTest::previousResultsAreKeptOnNoAndAskedAgain()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    prepare(f, "first");
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.work(QStringLiteral("out.txt"))), QByteArray("first\r\n"));
    QVERIFY(f.write(f.work(QStringLiteral("in.txt")), "second a"));

    f.platform.log.clear();
    f.platform.boxes.clear();
    f.platform.answers << platform::Answer::No;
    f.click("c3dConvert");
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("beep"), QStringLiteral("box:Μετατροπή")}));
    const platform::MessageBoxRequest question = f.platform.boxes.front();
    QCOMPARE(question.text, QStringLiteral("Το αρχείο εξόδου περιέχει τα αποτελέσματα μίας προηγούμενης μετατροπής. "
                                           "Θέλετε να αποθηκεύσετε τα αποτελέσματα αυτής της μετατροπής στο ίδιο "
                                           "αρχείο εξόδου;"));
    QCOMPARE(question.icon, platform::Icon::Question);
    QCOMPARE(question.buttons, platform::Buttons::YesNo);
    QCOMPARE(f.read(f.work(QStringLiteral("out.txt"))), QByteArray("first\r\n"));
    QVERIFY(!f.window->state().OutputFileChanged);

    f.click("c3dEnglish");
    f.platform.answers << platform::Answer::Yes;
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.boxes.at(1).title, QStringLiteral("Conversion"));
    QCOMPARE(f.platform.boxes.at(1).text,
             QStringLiteral("The output file containts the results of a previous conversion. Do you want to store "
                            "the results of this conversion into the same output file?"));
    QCOMPARE(f.read(f.work(QStringLiteral("out.txt"))), QByteArray("second b\r\n"));
    QCOMPARE(f.platform.boxes.last().title, QStringLiteral("End of conversion"));
    QCOMPARE(f.platform.boxes.last().text,
             QStringLiteral("Conversion 'Πρώτος - First' resulted into the changing of 1 characters."));
    QVERIFY(f.platform.unexpected.isEmpty());
}

// The line rules belong to the engine: here one run, its end message naming the converter and the
// count (A->A counts although nothing changes, terminators never), shown at 100% before the bar resets.
void ConversionTest::resultIsWrittenAndCounted()
{
    const QByteArray input("aaaaa\r\naaaaaAA\r\nxyz\r\rA");
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    prepare(f, input);
    QString progressAtMessage;
    f.platform.onMessageBox = [&](const platform::MessageBoxRequest&) { progressAtMessage = f.text("txtProgress"); };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.work(QStringLiteral("out.txt"))), QByteArray("bbbbb\r\nbbbbbAA\r\nxyz\r\n\r\nA\r\n"));
    QCOMPARE(f.read(f.work(QStringLiteral("in.txt"))), input);
    QCOMPARE(f.platform.log.mid(f.platform.log.size() - 2),
             (QStringList{QStringLiteral("beep"), QStringLiteral("box:Τέλος μετατροπής")}));
    QCOMPARE(f.platform.boxes.last().text, QStringLiteral("Η μετατροπή «Πρώτος - First» άλλαξε 13 χαρακτήρες."));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Information);
    QCOMPARE(progressAtMessage, QStringLiteral("100%"));
    QCOMPARE(f.text("txtProgress"), QStringLiteral("0%"));
    QCOMPARE(f.find<app::ProgressPanel>("p3dProgress")->percentage(), 0);
}

void ConversionTest::viewAndEditComeBackOnlyWhereConfigured_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("editor");
    QTest::newRow("both configured") << QStringLiteral("/bin/true") << QStringLiteral("/bin/true");
    QTest::newRow("viewer only") << QStringLiteral("/bin/true") << QStringLiteral("<none>");
    QTest::newRow("neither") << QStringLiteral("<none>") << QStringLiteral("<none>");
}

void ConversionTest::viewAndEditComeBackOnlyWhereConfigured()
{
    QFETCH(QString, viewer);
    QFETCH(QString, editor);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni(viewer, editor));
    QVERIFY(f.start());
    prepare(f, "a");
    QStringList availableDuringMessage;
    bool runningDuringMessage = false;
    f.platform.onMessageBox = [&](const platform::MessageBoxRequest&) {
        runningDuringMessage = f.window->state().ConversionRunning;
        for (const char* name : testing::kAllCommands)
            if (f.available(name))
                availableDuringMessage << QString::fromLatin1(name);
    };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(runningDuringMessage);
    QCOMPARE(availableDuringMessage, QStringList());

    const bool viewing = viewer != QStringLiteral("<none>");
    const bool editing = editor != QStringLiteral("<none>");
    for (const char* name : testing::kAllCommands) {
        const QByteArray command(name);
        bool expected = true;
        if (command.endsWith("View"))
            expected = viewing;
        if (command.endsWith("Edit"))
            expected = editing;
        QCOMPARE(f.available(name), expected);
    }
    QVERIFY(f.find<QComboBox>("cboConverterSelection")->isEnabled());
    QVERIFY(!f.window->state().ConversionRunning);
}

void ConversionTest::windowRefusesEverythingWhileTheRunYields()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni(QStringLiteral("/bin/true"), QStringLiteral("/bin/true")));
    QVERIFY(f.start());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QByteArray input;
    for (int i = 0; i < 60000; ++i)
        input += "a line of some fifty bytes, with an a or two\r\n";
    prepare(f, input);

    int yields = 0;
    QStringList failures;
    f.platform.onProcessEvents = [&] {
        ++yields;
        const QStringList before = f.platform.log;
        if (!f.window->state().ConversionRunning)
            failures << QStringLiteral("not running");
        if (f.find<QComboBox>("cboConverterSelection")->isEnabled())
            failures << QStringLiteral("combo enabled");
        for (const char* name : testing::kAllCommands) {
            if (f.available(name))
                failures << QString::fromLatin1(name);
            f.click(name);
        }
        if (f.window->close())
            failures << QStringLiteral("close accepted");
        if (f.window->state().InterfaceLanguage != lang::Language::Greek)
            failures << QStringLiteral("language switched");
        if (f.platform.log != before)
            failures << QStringLiteral("clicks ran: ") + f.platform.log.mid(before.size()).join(u',');
    };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(yields > 0);
    QCOMPARE(failures, QStringList());
    QCOMPARE(f.platform.boxes.size(), 1);
    const qsizetype changed = input.count('a') + input.count('A');
    QVERIFY(f.platform.boxes.last().text.endsWith(QStringLiteral(" άλλαξε %1 χαρακτήρες.").arg(changed)));
    QVERIFY(!f.platform.ended);
    QCOMPARE(QFileInfo(f.work(QStringLiteral("out.txt"))).size(), input.size());

    f.platform.onProcessEvents = {};
    QVERIFY(f.window->close());
    QCOMPARE(f.platform.exitStatus, 0);
}

void ConversionTest::runTimeFailureEndsWithTheInputIntact_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("error");
    QTest::newRow("input deleted after selection") << QStringLiteral("in.txt") << upperErrno(ENOENT);
    // The kernel refuses reads at address 0: the run fails once it has begun to write.
    QTest::newRow("read fails") << QStringLiteral("/proc/self/mem") << upperErrno(EIO);
}

// The window's side of a failure: its messages, the program's end, and the old output as it was.
void ConversionTest::runTimeFailureEndsWithTheInputIntact()
{
    QFETCH(QString, input);
    QFETCH(QString, error);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    prepare(f, "a\r\n");
    QVERIFY(f.write(f.work(QStringLiteral("out.txt")), "old result"));
    if (input.startsWith(u'/'))
        f.selectInput({input});
    else
        QVERIFY(QFile::remove(f.work(input)));
    const QStringList before = QDir(f.workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.log.mid(f.platform.log.size() - 3),
             (QStringList{QStringLiteral("beep"), QStringLiteral("box:Trelvick - Μετατροπή"), QStringLiteral("end")}));
    QCOMPARE(f.platform.boxes.last().text, conversionFailure(error));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Stop);
    QCOMPARE(f.platform.exitStatus, 1);
    QVERIFY(!f.window->state().ConversionRunning);
    QCOMPARE(f.read(f.work(QStringLiteral("out.txt"))), QByteArray("old result"));
    QCOMPARE(QDir(f.workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

QTEST_MAIN(ConversionTest)
#include "conversiontest.moc"
