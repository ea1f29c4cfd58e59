// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QFileInfo>

#include <unistd.h>

using namespace trelvick;
using testing::WindowFixture;

class ConversionTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogsOpenInTheFolderOfTheLastSelection_data();
    void dialogsOpenInTheFolderOfTheLastSelection();
    void inputDialogFailureEndsTheProgram_data();
    void inputDialogFailureEndsTheProgram();
    void oneFileUnderTwoNamesIsRefusedUntouched_data();
    void oneFileUnderTwoNamesIsRefusedUntouched();
    void secondRunToTheSameOutputAsksFirst_data();
    void secondRunToTheSameOutputAsksFirst();
    void resultIsCountedAndCommandsComeBackOnlyWhereConfigured_data();
    void resultIsCountedAndCommandsComeBackOnlyWhereConfigured();
    void windowRefusesEverythingWhileTheRunYields();
    void hardLinkedOutputIsReplacedWithoutAWord();
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
    QVERIFY(f.start(WindowFixture::standardIni(u"/bin/true"_qs)));
    QVERIFY(f.write(f.inputFile(), "a"));
    if (withInput)
        f.selectInput({f.inputFile()});
    if (withOutput)
        f.selectOutput(f.outputFile());

    f.platform.openResults << platform::FileDialogResult{};
    f.platform.saveResults << platform::FileDialogResult{};
    f.click("c3dInputDefine");
    f.click("c3dOutputDefine");
    const QString inFolder = f.work(u"in/"_qs);
    const QString outFolder = f.work(u"out/"_qs);
    QCOMPARE(f.platform.openRequests.last().folder, withInput ? inFolder : withOutput ? outFolder : u"/"_qs);
    QCOMPARE(f.platform.saveRequests.last().folder, withOutput ? outFolder : withInput ? inFolder : u"/"_qs);
    QCOMPARE(f.platform.saveRequests.last().fileName, withOutput ? f.outputFile() : QString());
    QCOMPARE(f.platform.saveRequests.last().title, u"Επιλογή αρχείου εξόδου"_qs);
    // A cancel keeps whatever was chosen; without an editor Edit never becomes available.
    QCOMPARE(f.window->state().InputFileDefined, withInput);
    QCOMPARE(f.available("c3dInputView"), withInput);
    QCOMPARE(f.available("c3dInputRename"), withInput);
    QVERIFY(!f.available("c3dInputEdit") && !f.available("c3dOutputEdit"));
    QCOMPARE(f.available("c3dOutputView"), withOutput);
    QCOMPARE(f.text("txtOutputFullPathName"), withOutput ? f.outputFile() : QString());
    QCOMPARE(f.available("c3dOutputRename"), withOutput);
    QCOMPARE(f.available("c3dOutputDelete"), withOutput);
    QCOMPARE(f.available("c3dConvert"), withInput && withOutput);
}

void ConversionTest::inputDialogFailureEndsTheProgram_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    // The dialog's reason is worded in the window's language.
    QTest::newRow("greek") << false << u"Trelvick - Επιλογή αρχείου(ων) εισόδου"_qs
                           << u"Προέκυψε το λάθος «Πολύ μεγάλο»."_qs;
    QTest::newRow("english") << true << u"Trelvick - Input file(s) selection"_qs
                             << u"Error 'Too large' has occured."_qs;
}

void ConversionTest::inputDialogFailureEndsTheProgram()
{
    QFETCH(bool, english);
    QFETCH(QString, title);
    QFETCH(QString, text);
    WindowFixture f;
    QVERIFY(f.start());
    if (english)
        f.click("c3dEnglish");
    f.platform.openResults << platform::FileDialogResult{
        platform::FileDialogResult::Failed, {}, base::Error::fault(base::Fault::TooLarge)};
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dInputDefine");
    QCOMPARE(f.platform.log, (QStringList{u"open"_qs, u"beep"_qs, u"box:"_qs + title, u"end"_qs}));
    QCOMPARE(f.platform.boxes.front().text, text);
    QCOMPARE(f.platform.boxes.front().icon, platform::Icon::Exclamation);
    QCOMPARE(f.platform.exitStatus, 1);
    QVERIFY(!f.window->state().InputFileDefined);
}

void ConversionTest::oneFileUnderTwoNamesIsRefusedUntouched_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("text"); // %1: the output
    // Which names lead to one file is the file layer's to say; the window asks it.
    QTest::newRow("hard link") << u"link.txt"_qs
                               << u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν το όνομα του αρχείου εισόδου είναι "
                                  u"ίδιο με το όνομα του αρχείου εξόδου."_qs;
    // A name Qt could not decode: created as shown, it would be another file.
    QTest::newRow("undecodable") << u"x\uFFFD.txt"_qs
                                 << u"Το όνομα του αρχείου «%1» περιέχει χαρακτήρες που η εφαρμογή δεν μπορεί να "
                                    u"αναπαραστήσει. Μετονομάστε το αρχείο και δοκιμάστε ξανά."_qs;
}

void ConversionTest::oneFileUnderTwoNamesIsRefusedUntouched()
{
    QFETCH(QString, output);
    QFETCH(QString, text);
    WindowFixture f;
    const bool link = output == u"link.txt"_qs;
    output = f.work(output);
    QVERIFY(f.start());
    const QByteArray content("aAa\r\nline two\r\n");
    QVERIFY(f.write(f.inputFile(), content));
    if (link)
        QCOMPARE(::link(qPrintable(f.inputFile()), qPrintable(output)), 0);
    f.selectInput({f.inputFile()});
    f.selectOutput(output);

    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.log.mid(f.platform.log.indexOf(u"beep"_qs)),
             (QStringList{u"beep"_qs, u"box:Λανθασμένα ονόματα αρχείων"_qs}));
    QCOMPARE(f.platform.boxes.front().text, text.replace(u"%1"_qs, output));
    QCOMPARE(f.platform.boxes.front().icon, platform::Icon::Information);
    QCOMPARE(f.read(f.inputFile()), content);
    QCOMPARE(QFileInfo::exists(output), link);
    QVERIFY(f.window->state().OutputFileChanged);
    QVERIFY(f.available("c3dConvert"));
    QCOMPARE(f.platform.exitStatus, -1);
}

void ConversionTest::secondRunToTheSameOutputAsksFirst_data()
{
    QTest::addColumn<QString>("again"); // the output chosen for the second run
    QTest::addColumn<bool>("english");
    QTest::addColumn<QList<platform::Answer>>("answers");
    QTest::addColumn<QStringList>("boxes"); // of the second run: title, then text
    QTest::addColumn<QByteArray>("result");
    using platform::Answer;
    QTest::newRow("same output, No keeps the previous results")
        << u"out.txt"_qs << false << QList{Answer::No}
        << QStringList{u"Μετατροπή"_qs, u"Το αρχείο εξόδου περιέχει τα αποτελέσματα μίας προηγούμενης μετατροπής. "
                                        u"Θέλετε να αποθηκεύσετε τα αποτελέσματα αυτής της μετατροπής στο ίδιο "
                                        u"αρχείο εξόδου;"_qs}
        << QByteArray("first\r\n");
    QTest::newRow("same output, Yes replaces them, English")
        << u"out.txt"_qs << true << QList{Answer::Yes, Answer::Ok}
        << QStringList{u"Conversion"_qs,
                       u"The output file containts the results of a previous conversion. Do you want to store the "
                       u"results of this conversion into the same output file?"_qs,
                       u"End of conversion"_qs,
                       u"Conversion 'Πρώτος - First' resulted into the changing of 1 characters."_qs}
        << QByteArray("second b\r\n");
    // The name is compared exactly; a new output that already exists is replaced without a question.
    QTest::newRow("letter case differs") << u"OUT.txt"_qs << false << QList{Answer::Ok}
                                         << QStringList{u"Τέλος μετατροπής"_qs,
                                                        u"Η μετατροπή «Πρώτος - First» άλλαξε 1 χαρακτήρες."_qs}
                                         << QByteArray("second b\r\n");
}

void ConversionTest::secondRunToTheSameOutputAsksFirst()
{
    QFETCH(QString, again);
    QFETCH(bool, english);
    QFETCH(QList<platform::Answer>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QByteArray, result);
    WindowFixture f;
    QVERIFY(f.start());
    f.chooseFiles("first");
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.outputFile()), QByteArray("first\r\n"));
    QVERIFY(!f.window->state().OutputFileChanged);
    QVERIFY(f.write(f.inputFile(), "second a"));
    const QString output = f.work(u"out/"_qs + again);
    if (output != f.outputFile())
        QVERIFY(f.write(output, QByteArray(5000, 'z')));
    f.selectOutput(output);
    QCOMPARE(f.window->state().OutputFileChanged, output != f.outputFile());
    if (english)
        f.click("c3dEnglish");

    f.platform.boxes.clear();
    f.platform.answers << answers;
    f.click("c3dConvert");
    QStringList shown;
    for (const platform::MessageBoxRequest& box : f.platform.boxes)
        shown << box.title << box.text;
    QCOMPARE(shown, boxes);
    QCOMPARE(f.read(output), result);
    QVERIFY(!f.window->state().OutputFileChanged);
}

void ConversionTest::resultIsCountedAndCommandsComeBackOnlyWhereConfigured_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QString>("editor");
    QTest::newRow("both configured") << u"/bin/true"_qs << u"/bin/true"_qs;
    QTest::newRow("viewer only") << u"/bin/true"_qs << u"<none>"_qs;
    QTest::newRow("neither") << u"<none>"_qs << u"<none>"_qs;
}

// The line rules belong to the engine: here one run, its end message naming the converter and the
// count (A->A counts although nothing changes, terminators never), shown at 100%; afterwards the bar
// resets and the commands come back.
void ConversionTest::resultIsCountedAndCommandsComeBackOnlyWhereConfigured()
{
    QFETCH(QString, viewer);
    QFETCH(QString, editor);
    const QByteArray input("aaaaa\r\naaaaaAA\r\nxyz\r\rA");
    WindowFixture f;
    QVERIFY(f.start(WindowFixture::standardIni(viewer, editor)));
    f.chooseFiles(input);
    QString progressAtMessage;
    int barAtMessage = -1; // the fill, which the text alone would not show missing
    f.platform.onMessageBox = [&](const platform::MessageBoxRequest&) {
        progressAtMessage = f.text("txtProgress");
        barAtMessage = f.find<app::ProgressPanel>("p3dProgress")->percentage();
    };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.read(f.outputFile()), QByteArray("bbbbb\r\nbbbbbAA\r\nxyz\r\n\r\nA\r\n"));
    QCOMPARE(f.read(f.inputFile()), input);
    QCOMPARE(f.platform.log.mid(f.platform.log.size() - 2), (QStringList{u"beep"_qs, u"box:Τέλος μετατροπής"_qs}));
    QCOMPARE(f.platform.boxes.last().text, u"Η μετατροπή «Πρώτος - First» άλλαξε 13 χαρακτήρες."_qs);
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Information);
    QCOMPARE(progressAtMessage, u"100%"_qs);
    QCOMPARE(barAtMessage, 100);

    QCOMPARE(f.text("txtProgress"), u"0%"_qs);
    QCOMPARE(f.find<app::ProgressPanel>("p3dProgress")->percentage(), 0);
    for (const char* name : testing::kAllCommands) {
        const QByteArray command(name);
        bool expected = true;
        if (command.endsWith("View"))
            expected = viewer != u"<none>"_qs;
        if (command.endsWith("Edit"))
            expected = editor != u"<none>"_qs;
        QCOMPARE(f.available(name), expected);
    }
    QVERIFY(f.find<QComboBox>("cboConverterSelection")->isEnabled());
    QVERIFY(!f.window->state().ConversionRunning);
}

void ConversionTest::windowRefusesEverythingWhileTheRunYields()
{
    WindowFixture f;
    QVERIFY(f.start(WindowFixture::standardIni(u"/bin/true"_qs, u"/bin/true"_qs)));
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QByteArray input;
    for (int i = 0; i < 60000; ++i)
        input += "a line of some fifty bytes, with an a or two\r\n";
    f.chooseFiles(input);

    int yields = 0;
    QStringList failures;
    f.platform.onProcessEvents = [&] {
        ++yields;
        const QStringList before = f.platform.log;
        if (!f.window->state().ConversionRunning)
            failures << u"not running"_qs;
        if (f.find<QComboBox>("cboConverterSelection")->isEnabled())
            failures << u"combo enabled"_qs;
        for (const char* name : testing::kAllCommands) {
            if (f.available(name))
                failures << QString::fromLatin1(name);
            f.click(name);
        }
        if (f.window->close())
            failures << u"close accepted"_qs;
        if (f.window->state().InterfaceLanguage != lang::Language::Greek)
            failures << u"language switched"_qs;
        if (f.platform.log != before)
            failures << u"clicks ran: "_qs + f.platform.log.mid(before.size()).join(u',');
    };
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QVERIFY(yields > 0);
    QCOMPARE(failures, QStringList());
    QCOMPARE(f.platform.boxes.size(), 1);
    const qsizetype changed = input.count('a') + input.count('A');
    QVERIFY(f.platform.boxes.last().text.endsWith(u" άλλαξε %1 χαρακτήρες."_qs.arg(changed)));
    QCOMPARE(f.platform.exitStatus, -1);
    QCOMPARE(QFileInfo(f.outputFile()).size(), input.size());

    f.platform.onProcessEvents = {};
    QVERIFY(f.window->close());
    QCOMPARE(f.platform.exitStatus, 0);
}

// Another name of the output keeps the old text; the run goes through and says no more than usual.
void ConversionTest::hardLinkedOutputIsReplacedWithoutAWord()
{
    WindowFixture f;
    QVERIFY(f.start());
    f.chooseFiles("a", "old");
    const QString other = f.work(u"out/other name.txt"_qs);
    QCOMPARE(::link(qPrintable(f.outputFile()), qPrintable(other)), 0);
    f.platform.answers << platform::Answer::Ok;
    f.click("c3dConvert");
    QCOMPARE(f.platform.log.mid(f.platform.log.indexOf(u"beep"_qs)),
             (QStringList{u"beep"_qs, u"box:Τέλος μετατροπής"_qs}));
    QCOMPARE(f.read(f.outputFile()), QByteArray("b\r\n"));
    QCOMPARE(f.read(other), QByteArray("old"));
}

QTEST_MAIN(ConversionTest)
#include "conversiontest.moc"
