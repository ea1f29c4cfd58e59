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

const char* const kCommands[] = {"c3dInputDefine",  "c3dInputView",    "c3dInputEdit",  "c3dInputRename",
                                 "c3dInputDelete",  "c3dOutputDefine", "c3dOutputView", "c3dOutputEdit",
                                 "c3dOutputRename", "c3dOutputDelete", "c3dConvert",    "c3dExit",
                                 "c3dGreek",        "c3dEnglish",      "c3dInfo"};

QString upperErrno(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum)).toUpper();
}

QString conversionFailure(const QString& error)
{
    return QStringLiteral("Προέκυψε το λάθος «") + error +
           QStringLiteral("».\r\n\r\nΗ εφαρμογή δεν μπορεί να κάνει τη μετατροπή.");
}

// The standard converters plus Μ3, whose table also names LF and CR.
QStringList iniWithLineEndTable()
{
    QStringList ini = WindowFixture::standardIni();
    ini.replaceInStrings(QStringLiteral("ΠλήθοςΜετατροπέων=2"), QStringLiteral("ΠλήθοςΜετατροπέων=3"));
    ini.insert(ini.indexOf(QStringLiteral("Μ2=Faulty")) + 1, QStringLiteral("Μ3=Line ends"));
    ini << QStringLiteral("[Μ3]") << QStringLiteral("10=33") << QStringLiteral("13=35") << QStringLiteral("97=98");
    return ini;
}

// Input and output chosen, both in the work folder, ready to convert.
void prepare(WindowFixture& f, const QByteArray& input, const QString& inputName = QStringLiteral("in.txt"),
             const QString& outputName = QStringLiteral("out.txt"))
{
    QVERIFY(WindowFixture::writeBytes(f.work(inputName), input));
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
    void lineEndsAreWrittenAsCrLf_data();
    void lineEndsAreWrittenAsCrLf();
    void viewAndEditComeBackOnlyWhereConfigured_data();
    void viewAndEditComeBackOnlyWhereConfigured();
    void windowRefusesEverythingWhileTheRunYields();
    void runTimeFailureEndsWithTheInputIntact_data();
    void runTimeFailureEndsWithTheInputIntact();
    void pathsNearTheSystemLimitConvert();
    void utf8ConverterWritesUtf8AndCountsEntries();
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
    QVERIFY(WindowFixture::writeBytes(input, "a"));
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
        QVERIFY(WindowFixture::writeBytes(f.work(again), QByteArray(5000, 'z')));
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
    QCOMPARE(WindowFixture::readBytes(f.work(again)), QByteArray("b\r\n"));
}

void ConversionTest::oneFileUnderTwoNamesIsRefusedUntouched_data()
{
    QTest::addColumn<QString>("outputName");
    QTest::addColumn<QString>("link"); // "symbolic", "hard" or empty
    QTest::newRow("equal text") << QStringLiteral("in.txt") << QString();
    QTest::newRow("parent alias") << QStringLiteral("sub/../in.txt") << QString();
    QTest::newRow("symbolic link") << QStringLiteral("link.txt") << QStringLiteral("symbolic");
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
    QVERIFY(QDir().mkpath(f.work(QStringLiteral("sub"))));
    const QByteArray content("aAa\r\nline two\r\n");
    QVERIFY(WindowFixture::writeBytes(f.work(QStringLiteral("in.txt")), content));
    if (link == QStringLiteral("symbolic"))
        QVERIFY(QFile::link(f.work(QStringLiteral("in.txt")), f.work(outputName)));
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
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("in.txt"))), content);
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
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))), QByteArray("first\r\n"));
    QVERIFY(WindowFixture::writeBytes(f.work(QStringLiteral("in.txt")), "second a"));

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
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))), QByteArray("first\r\n"));
    QVERIFY(!f.window->state().OutputFileChanged);

    f.click("c3dEnglish");
    f.platform.answers << platform::Answer::Yes;
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.boxes.at(1).title, QStringLiteral("Conversion"));
    QCOMPARE(f.platform.boxes.at(1).text,
             QStringLiteral("The output file containts the results of a previous conversion. Do you want to store "
                            "the results of this conversion into the same output file?"));
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))), QByteArray("second b\r\n"));
    QCOMPARE(f.platform.boxes.last().title, QStringLiteral("End of conversion"));
    QCOMPARE(f.platform.boxes.last().text,
             QStringLiteral("Conversion 'Πρώτος - First' resulted into the changing of 1 characters."));
    QVERIFY(f.platform.unexpected.isEmpty());
}

void ConversionTest::lineEndsAreWrittenAsCrLf_data()
{
    QTest::addColumn<int>("converter");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("changed");
    QTest::newRow("A->A counts although nothing changes, CR LF never")
        << 0 << QByteArray("aaaaa\r\naaaaaAA\r\nxyz") << QByteArray("bbbbb\r\nbbbbbAA\r\nxyz\r\n") << 12;
    QTest::newRow("lone CR, CR LF, CR CR")
        << 0 << QByteArray("a\rb\r\n\r\rA") << QByteArray("b\r\nb\r\n\r\n\r\nA\r\n") << 2;
    QTest::newRow("lone LF goes through the table, terminators never")
        << 2 << QByteArray("a\nx\r\n\r\n\na\r") << QByteArray("b!x\r\n\r\n!b\r\n") << 4;
}

// The end message names the converter and the count, shown at 100% before the bar resets.
void ConversionTest::lineEndsAreWrittenAsCrLf()
{
    QFETCH(int, converter);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(int, changed);
    WindowFixture f;
    f.writeIni(iniWithLineEndTable());
    QVERIFY(f.start());
    f.find<QComboBox>("cboConverterSelection")->setCurrentIndex(converter);
    prepare(f, input);
    QString progressAtMessage;
    f.platform.onMessageBox = [&](const platform::MessageBoxRequest&) { progressAtMessage = f.text("txtProgress"); };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))), output);
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("in.txt"))), input);
    QCOMPARE(f.platform.log.mid(f.platform.log.size() - 2),
             (QStringList{QStringLiteral("beep"), QStringLiteral("box:Τέλος μετατροπής")}));
    const QString name = converter == 0 ? QStringLiteral("Πρώτος - First") : QStringLiteral("Line ends");
    QCOMPARE(f.platform.boxes.last().text,
             QStringLiteral("Η μετατροπή «%1» άλλαξε %2 χαρακτήρες.").arg(name).arg(changed));
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
        for (const char* name : kCommands)
            if (f.available(name))
                availableDuringMessage << QString::fromLatin1(name);
    };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(runningDuringMessage);
    QCOMPARE(availableDuringMessage, QStringList());

    const bool viewing = viewer != QStringLiteral("<none>");
    const bool editing = editor != QStringLiteral("<none>");
    for (const char* name : kCommands) {
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
        for (const char* name : kCommands) {
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
    QVERIFY(WindowFixture::writeBytes(f.work(QStringLiteral("out.txt")), "old result"));
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
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))), QByteArray("old result"));
    QCOMPARE(QDir(f.workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void ConversionTest::pathsNearTheSystemLimitConvert()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    // Folders of 250-byte Greek-and-blank names down to some 4,000 bytes of path (PATH_MAX is 4096).
    QString folder = f.workFolder();
    const QString part = QStringLiteral("φάκελος με 'κενά' και \"$;\" -") + QString(200, u'x');
    while (QFile::encodeName(folder + u'/' + part).size() < 3900) {
        folder += u'/' + part;
        QVERIFY(QDir().mkpath(folder));
    }
    const QString input = folder + QStringLiteral("/-in κείμενο.txt");
    const QString output = folder + QStringLiteral("/-out κείμενο.txt");
    QVERIFY(WindowFixture::writeBytes(input, "abc\rA"));
    f.selectInput({input});
    QVERIFY(f.text("lblPleaseWait").startsWith(QStringLiteral("Αρχείο εισόδου: 5 χαρακτήρες")));
    f.selectOutput(output);
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(!f.platform.ended);
    QCOMPARE(WindowFixture::readBytes(output), QByteArray("bbc\r\nA\r\n"));
    QCOMPARE(WindowFixture::readBytes(input), QByteArray("abc\rA"));
    QVERIFY(f.platform.boxes.last().text.endsWith(QStringLiteral(" άλλαξε 2 χαρακτήρες.")));
}

// Two-byte, three-byte and untouched ASCII, a byte without entry that must still come out as valid UTF-8,
// and the end message counting only the bytes with an entry.
void ConversionTest::utf8ConverterWritesUtf8AndCountsEntries()
{
    QStringList ini = WindowFixture::standardIni();
    ini.replaceInStrings(QStringLiteral("ΠλήθοςΜετατροπέων=2"), QStringLiteral("ΠλήθοςΜετατροπέων=3"));
    ini.insert(ini.indexOf(QStringLiteral("Μ2=Faulty")) + 1, QStringLiteral("Μ3=Σε UTF-8"));
    ini << QStringLiteral("[Μ3]") << QStringLiteral("κωδικοποίηση=utf-8") << QStringLiteral("97=945")
        << QStringLiteral("128=0913") << QStringLiteral("200=9472");
    WindowFixture f;
    f.writeIni(ini);
    QVERIFY(f.start());
    f.find<QComboBox>("cboConverterSelection")->setCurrentIndex(2);
    const QByteArray input("ab\x80\xc8\xff\rz\r\n", 9);
    prepare(f, input);
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(!f.platform.ended);
    // α b Α ─ U+FFFD CR LF z CR LF
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("out.txt"))),
             QByteArray::fromHex("ceb1 62 ce91 e29480 efbfbd 0d0a 7a 0d0a"));
    QCOMPARE(WindowFixture::readBytes(f.work(QStringLiteral("in.txt"))), input);
    QCOMPARE(f.platform.boxes.last().text, QStringLiteral("Η μετατροπή «Σε UTF-8» άλλαξε 3 χαρακτήρες."));
}

QTEST_MAIN(ConversionTest)
#include "conversiontest.moc"
