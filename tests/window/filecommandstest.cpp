// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace trelvick;
using testing::ScriptedPlatform;
using testing::WindowFixture;

namespace {

// Characters that a shell would split, expand or run, and Greek letters.
const QString kHostileName = QStringLiteral("a b \"q\" 'r' $HOME; ls `id` Ελληνικά.txt");

// A /bin/sh script that appends its argument count and its arguments, one per line, to record,
// then runs tail. The window starts the script itself; no shell of the program's stands between.
QString writeRecorder(const WindowFixture& f, const QString& name, const QString& tail = {})
{
    const QString script = f.programFolder() + u'/' + name;
    const QString record = f.folder() + u'/' + name + QStringLiteral(".record");
    const QString text = QStringLiteral("#!/bin/sh\n{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' "
                                        "\"$a\"; done; } >> '") +
                         record + QStringLiteral("'\n") + tail + u'\n';
    f.write(script, text.toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return script;
}

QByteArray recordOf(const WindowFixture& f, const QString& name)
{
    return f.read(f.folder() + u'/' + name + QStringLiteral(".record"));
}

QByteArray oneArgument(const QString& path)
{
    return "1\n" + path.toUtf8() + '\n';
}

QString failureTail(const QString& sentence)
{
    return QStringLiteral("».\r\n\r\n") + sentence;
}

// Input "in/in.txt" (5 bytes) and output "out/out.txt" (2 bytes) chosen, both existing.
struct Chosen
{
    QString input;
    QString output;
};
Chosen chooseBoth(WindowFixture& f)
{
    QDir().mkpath(f.work(QStringLiteral("in")));
    QDir().mkpath(f.work(QStringLiteral("out")));
    const Chosen chosen{f.work(QStringLiteral("in/in.txt")), f.work(QStringLiteral("out/out.txt"))};
    f.write(chosen.input, "12345");
    f.write(chosen.output, "xy");
    f.selectInput({chosen.input});
    f.selectOutput(chosen.output);
    return chosen;
}

// Both files still chosen as before, with their commands and Convert, and the line untouched.
void verifySelectionKept(const WindowFixture& f, const Chosen& chosen, const QString& line)
{
    QCOMPARE(f.window->state().InputFilePath, chosen.input);
    QCOMPARE(f.window->state().OutputFilePath, chosen.output);
    QCOMPARE(f.text("txtInputFullPathName"), chosen.input);
    QCOMPARE(f.text("txtOutputFullPathName"), chosen.output);
    QVERIFY(f.window->state().InputFileDefined && f.window->state().OutputFileDefined);
    QCOMPARE(f.text("lblPleaseWait"), line);
    for (const char* name : {"c3dInputRename", "c3dInputDelete", "c3dOutputRename", "c3dOutputDelete", "c3dConvert"})
        QVERIFY2(f.available(name), name);
}

} // namespace

class FileCommandsTest : public testing::WindowTest
{
    Q_OBJECT

private slots:
    void externalProgramGetsThePathAsOneArgument_data();
    void externalProgramGetsThePathAsOneArgument();
    void renameTakesTheAnswerExactlyAsTyped_data();
    void renameTakesTheAnswerExactlyAsTyped();
    void failedCommandChangesNothing_data();
    void failedCommandChangesNothing();
    void deleteAnsweredNoChangesNothing_data();
    void deleteAnsweredNoChangesNothing();
    void deleteEmptiesItsFrameOnly();
};

void FileCommandsTest::externalProgramGetsThePathAsOneArgument_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("english");
    QTest::newRow("quick view input") << false << false << false;
    QTest::newRow("quick view output") << true << false << true;
    QTest::newRow("edit input, greek notice") << false << true << false;
    QTest::newRow("edit output, english notice") << true << true << true;
}

// Quick view starts its viewer and returns at once, every time; Edit shows its notice first, then
// waits for the editor and rebuilds the information line for the input only.
void FileCommandsTest::externalProgramGetsThePathAsOneArgument()
{
    QFETCH(bool, output);
    QFETCH(bool, edit);
    QFETCH(bool, english);
    WindowFixture f;
    const QString viewer = writeRecorder(f, QStringLiteral("view.sh"), QStringLiteral("sleep 5"));
    const QString editor =
        writeRecorder(f, QStringLiteral("edit.sh"), QStringLiteral("sleep 0.3\nprintf more >> \"$1\""));
    f.writeIni(WindowFixture::standardIni(viewer, editor));
    QVERIFY(f.start());
    if (english)
        f.click("c3dEnglish");
    const QString folder = f.work(QStringLiteral("my files $PATH;"));
    QVERIFY(QDir().mkpath(folder));
    const QString input = folder + u'/' + kHostileName;
    const QString target = output ? input + QStringLiteral(" out") : input;
    const QByteArray content = output ? "xy" : "abc";
    QVERIFY(f.write(input, "abc"));
    QVERIFY(f.write(input + QStringLiteral(" out"), "xy"));
    f.selectInput({input});
    f.selectOutput(input + QStringLiteral(" out"));
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    bool editorStartedBeforeNotice = false;
    f.platform.onMessageBox = [&](const platform::MessageBoxRequest&) {
        editorStartedBeforeNotice = QFileInfo::exists(f.folder() + QStringLiteral("/edit.sh.record"));
    };
    const char* button =
        edit ? (output ? "c3dOutputEdit" : "c3dInputEdit") : (output ? "c3dOutputView" : "c3dInputView");

    if (!edit) {
        QElapsedTimer timer;
        timer.start();
        f.click(button);
        f.click(button);
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.platform.log, (QStringList{QStringLiteral("start"), QStringLiteral("start")}));
        QCOMPARE(f.platform.programsStarted, (QList<QStringList>{{viewer, target}, {viewer, target}}));
        QTRY_COMPARE(recordOf(f, QStringLiteral("view.sh")), oneArgument(target) + oneArgument(target));
        QCOMPARE(f.read(target), content);
        QCOMPARE(f.text("lblPleaseWait"), line);
        return;
    }
    f.platform.answers << platform::Answer::Ok;
    f.click(button);
    const QString title = english ? QStringLiteral("Edit") : QStringLiteral("Επεξεργασία");
    const QString notice = english ? QStringLiteral("The application is suspended for as long as you are editing "
                                                    "the file '%1'.")
                                   : QStringLiteral("Η εφαρμογή αδρανοποιείται για όσο χρονικό διάστημα "
                                                    "επεξεργάζεστε το αρχείο «%1».");
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("box:") + title, QStringLiteral("wait")}));
    QVERIFY(!editorStartedBeforeNotice);
    QCOMPARE(f.platform.boxes.last().text, notice.arg(target));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Information);
    QCOMPARE(f.platform.programsStarted, (QList<QStringList>{{editor, target}}));
    // Waited for: the record and the change are complete when the click returns.
    QCOMPARE(recordOf(f, QStringLiteral("edit.sh")), oneArgument(target));
    QCOMPARE(f.read(target), content + "more");
    if (output)
        QCOMPARE(f.text("lblPleaseWait"), line);
    else
        QVERIFY2(f.text("lblPleaseWait").startsWith(QStringLiteral("Αρχείο εισόδου: 7 χαρακτήρες, ")),
                 qPrintable(f.text("lblPleaseWait")));
}

void FileCommandsTest::renameTakesTheAnswerExactlyAsTyped_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("english");
    QTest::newRow("blanks around and inside") << QStringLiteral("  two  blanks  ") << false;
    QTest::newRow("shell syntax") << QStringLiteral("$(touch pwned); `touch pwned` | x") << false;
    QTest::newRow("255 bytes") << QString(127, u'ω') + u'x' << false;
    QTest::newRow("empty answer (Cancel) changes nothing, english") << QString() << true;
}

void FileCommandsTest::renameTakesTheAnswerExactlyAsTyped()
{
    QFETCH(QString, answer);
    QFETCH(bool, english);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const Chosen chosen = chooseBoth(f);
    if (english)
        f.click("c3dEnglish");
    // A size changed behind the window's back shows whether the line is rebuilt after the rename.
    QVERIFY(f.write(chosen.input, "1234567"));
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    f.platform.inputAnswers << answer << answer;
    f.click("c3dInputRename");
    f.click("c3dOutputRename");

    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("input"), QStringLiteral("input")}));
    QCOMPARE(f.platform.inputRequests[0].title, english ? QStringLiteral("Rename") : QStringLiteral("Μετονομασία"));
    QCOMPARE(f.platform.inputRequests[0].prompt,
             english ? QStringLiteral("Enter the new name of the input file. ")
                     : QStringLiteral("Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εισόδου. "));
    QCOMPARE(f.platform.inputRequests[1].prompt,
             english ? QStringLiteral("Enter the new name of the output file. ")
                     : QStringLiteral("Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εξόδου. "));
    const bool renamed = !answer.isEmpty();
    const QString inputName = renamed ? answer : QStringLiteral("in.txt");
    const QString outputName = renamed ? answer : QStringLiteral("out.txt");
    const QString newInput = f.work(QStringLiteral("in/")) + inputName;
    const QString newOutput = f.work(QStringLiteral("out/")) + outputName;
    QCOMPARE(QDir(f.work(QStringLiteral("in"))).entryList(QDir::Files), QStringList{inputName});
    QCOMPARE(QDir(f.work(QStringLiteral("out"))).entryList(QDir::Files), QStringList{outputName});
    QCOMPARE(f.read(newInput), QByteArray("1234567"));
    QCOMPARE(f.read(newOutput), QByteArray("xy"));
    QCOMPARE(f.window->state().InputFilePath, newInput);
    QCOMPARE(f.window->state().InputFolder, f.work(QStringLiteral("in/")));
    QCOMPARE(f.text("txtInputFullPathName"), newInput);
    QCOMPARE(f.window->state().OutputFilePath, newOutput);
    QCOMPARE(f.text("txtOutputFullPathName"), newOutput);
    if (renamed)
        QVERIFY(f.text("lblPleaseWait").startsWith(QStringLiteral("Αρχείο εισόδου: 7 χαρακτήρες, ")));
    else
        QCOMPARE(f.text("lblPleaseWait"), line);
    QVERIFY(!QFileInfo::exists(f.folder() + QStringLiteral("/pwned")));
    QVERIFY(f.available("c3dInputRename") && f.available("c3dConvert"));
}

void FileCommandsTest::failedCommandChangesNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("answer"); // typed into the rename box
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("sentence");
    const QString view = QStringLiteral("Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή της γρήγορης προβολής.");
    const QString edit = QStringLiteral("Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή του επεξεργαστή.");
    const QString rename = QStringLiteral("Η εφαρμογή δεν μπορεί να μετονομάσει το αρχείο.");
    const QString remove = QStringLiteral("Η εφαρμογή δεν μπορεί να διαγράψει το αρχείο.");
    const QStringList viewLog{QStringLiteral("start"), QStringLiteral("beep"),
                              QStringLiteral("box:Trelvick - Γρήγορη προβολή")};
    const QStringList editLog{QStringLiteral("box:Επεξεργασία"), QStringLiteral("wait"), QStringLiteral("beep"),
                              QStringLiteral("box:Trelvick - Επεξεργασία")};
    const QStringList renameLog{QStringLiteral("input"), QStringLiteral("beep"),
                                QStringLiteral("box:Trelvick - Μετονομασία")};
    const QStringList deleteLog{QStringLiteral("beep"), QStringLiteral("box:Διαγραφή"), QStringLiteral("beep"),
                                QStringLiteral("box:Trelvick - Διαγραφή")};
    const QString programs = QStringLiteral("programs removed after start-up");
    const QString taken = QStringLiteral("other.txt");
    QTest::newRow("quick view input") << QStringLiteral("c3dInputView") << programs << QString() << viewLog << view;
    QTest::newRow("edit output, after the notice")
        << QStringLiteral("c3dOutputEdit") << programs << QString() << editLog << edit;
    QTest::newRow("rename input onto a taken name")
        << QStringLiteral("c3dInputRename") << QString() << taken << renameLog << rename;
    QTest::newRow("rename output not written yet")
        << QStringLiteral("c3dOutputRename") << QStringLiteral("output missing") << QStringLiteral("new.txt")
        << renameLog << rename;
    QTest::newRow("delete input removed behind the window")
        << QStringLiteral("c3dInputDelete") << QStringLiteral("input missing") << QString() << deleteLog << remove;
    QTest::newRow("delete output not written yet")
        << QStringLiteral("c3dOutputDelete") << QStringLiteral("output missing") << QString() << deleteLog << remove;
}

// A failure is reported with the system's description in capitals; files, selection, buttons and
// the information line stay as they were.
void FileCommandsTest::failedCommandChangesNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, fault);
    QFETCH(QString, answer);
    QFETCH(QStringList, log);
    QFETCH(QString, sentence);
    WindowFixture f;
    const QString viewer = writeRecorder(f, QStringLiteral("view.sh"));
    const QString editor = writeRecorder(f, QStringLiteral("edit.sh"));
    f.writeIni(WindowFixture::standardIni(viewer, editor));
    QVERIFY(f.start());
    const Chosen chosen = chooseBoth(f);
    for (const char* folder : {"in/other.txt", "out/other.txt"})
        QVERIFY(f.write(f.work(QString::fromLatin1(folder)), "other"));
    if (fault == QStringLiteral("programs removed after start-up"))
        QVERIFY(QFile::remove(viewer) && QFile::remove(editor));
    const bool inputMissing = fault == QStringLiteral("input missing");
    const bool outputMissing = fault == QStringLiteral("output missing");
    if (inputMissing || outputMissing)
        QVERIFY(QFile::remove(inputMissing ? chosen.input : chosen.output));
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    if (!answer.isEmpty())
        f.platform.inputAnswers << answer;
    for (const QString& entry : log)
        if (entry.startsWith(QStringLiteral("box:")))
            f.platform.answers << (entry == QStringLiteral("box:Διαγραφή") ? platform::Answer::Yes
                                                                           : platform::Answer::Ok);

    f.click(button.toLatin1().constData());
    QCOMPARE(f.platform.log, log);
    const QString text = f.platform.boxes.last().text;
    QVERIFY2(text.startsWith(QStringLiteral("Προέκυψε το λάθος «")) && text.endsWith(failureTail(sentence)),
             qPrintable(text));
    const QString error = text.section(u'«', 1).section(u'»', 0, 0);
    QVERIFY(!error.isEmpty());
    QCOMPARE(error, error.toUpper());
    if (inputMissing || outputMissing)
        QCOMPARE(error, QStringLiteral("NO SUCH FILE OR DIRECTORY"));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Exclamation);
    QCOMPARE(f.read(f.work(QStringLiteral("in/other.txt"))), QByteArray("other"));
    QCOMPARE(f.read(f.work(QStringLiteral("out/other.txt"))), QByteArray("other"));
    QCOMPARE(f.read(chosen.input), inputMissing ? QByteArray("<missing>") : "12345");
    QCOMPARE(f.read(chosen.output), outputMissing ? QByteArray("<missing>") : "xy");
    verifySelectionKept(f, chosen, line);
    QVERIFY(!f.platform.ended);
}

void FileCommandsTest::deleteAnsweredNoChangesNothing_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("question"); // %1: the path
    QTest::newRow("input, greek") << false << false << QStringLiteral("Θέλετε πράγματι να διαγράψετε το αρχείο «%1»;");
    QTest::newRow("output, greek: a blank after «")
        << true << false << QStringLiteral("Θέλετε πράγματι να διαγράψετε το αρχείο « %1»;");
    QTest::newRow("output, english") << true << true << QStringLiteral("Do you really want to delete the '%1' file?");
}

void FileCommandsTest::deleteAnsweredNoChangesNothing()
{
    QFETCH(bool, output);
    QFETCH(bool, english);
    QFETCH(QString, question);
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    if (english)
        f.click("c3dEnglish");
    const Chosen chosen = chooseBoth(f);
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    f.platform.answers << platform::Answer::No;

    f.click(output ? "c3dOutputDelete" : "c3dInputDelete");
    const QString title = english ? QStringLiteral("Delete") : QStringLiteral("Διαγραφή");
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("beep"), QStringLiteral("box:") + title}));
    QCOMPARE(f.platform.boxes.last().text, question.arg(output ? chosen.output : chosen.input));
    QCOMPARE(f.platform.boxes.last().buttons, platform::Buttons::YesNo);
    QCOMPARE(f.read(chosen.input), QByteArray("12345"));
    QCOMPARE(f.read(chosen.output), QByteArray("xy"));
    verifySelectionKept(f, chosen, line);
}

// The output goes first and leaves the input's information line; the input then takes it along.
void FileCommandsTest::deleteEmptiesItsFrameOnly()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni(QStringLiteral("/bin/true"), QStringLiteral("/bin/true")));
    QVERIFY(f.start());
    const Chosen chosen = chooseBoth(f);
    const QString line = f.text("lblPleaseWait");
    QVERIFY(line.startsWith(QStringLiteral("Αρχείο εισόδου: 5 χαρακτήρες")));
    f.platform.answers << platform::Answer::Yes << platform::Answer::Yes;
    f.click("c3dOutputDelete");
    QVERIFY(!QFileInfo::exists(chosen.output));
    QCOMPARE(f.read(chosen.input), QByteArray("12345"));
    QVERIFY(!f.window->state().OutputFileDefined);
    QCOMPARE(f.window->state().OutputFilePath, QString());
    QCOMPARE(f.text("txtOutputFullPathName"), QString());
    QCOMPARE(f.text("lblPleaseWait"), line);
    QVERIFY(f.available("c3dOutputDefine") && f.available("c3dInputDelete") && f.available("c3dInputView"));
    for (const char* name : {"c3dOutputView", "c3dOutputRename", "c3dOutputDelete", "c3dConvert"})
        QVERIFY2(!f.available(name), name);

    f.click("c3dInputDelete");
    QVERIFY(!QFileInfo::exists(chosen.input));
    QVERIFY(!f.window->state().InputFileDefined);
    QCOMPARE(f.window->state().InputFilePath, QString());
    QCOMPARE(f.window->state().InputFolder, QString());
    QCOMPARE(f.text("txtInputFullPathName"), QString());
    QCOMPARE(f.text("lblPleaseWait"), QString());
    QVERIFY(f.available("c3dInputDefine"));
    for (const char* name : {"c3dInputView", "c3dInputEdit", "c3dInputRename", "c3dInputDelete"})
        QVERIFY2(!f.available(name), name);
    f.click("c3dEnglish");
    QCOMPARE(f.text("lblPleaseWait"), QString());
    QCOMPARE(f.platform.beeps(), 2);
}

QTEST_MAIN(FileCommandsTest)
#include "filecommandstest.moc"
