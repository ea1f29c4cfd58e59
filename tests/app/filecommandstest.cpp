// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace trelvick;
using testing::WindowFixture;

namespace {

// A /bin/sh script that appends its argument count and its arguments, one per line, to
// <name>.record, then runs tail. The window starts the script itself; no shell of the program's
// stands between.
QString writeRecorder(const WindowFixture& f, const QString& name, const QString& tail = {})
{
    const QString script = f.programFolder() + u'/' + name;
    f.write(script, (u"#!/bin/sh\n{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >> '"_qs +
                     f.folder() + u'/' + name + u".record'\n"_qs + tail + u'\n')
                        .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

QByteArray recordOf(const WindowFixture& f, const QString& name)
{
    return f.read(f.folder() + u'/' + name + u".record"_qs);
}

QByteArray oneArgument(const QString& path)
{
    return "1\n" + path.toUtf8() + '\n';
}

QString failure(const QString& error, const QString& sentence)
{
    return u"Προέκυψε το λάθος «"_qs + error + u"».\r\n\r\n"_qs + sentence;
}

} // namespace

class FileCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void externalProgramGetsThePathAsOneArgument_data();
    void externalProgramGetsThePathAsOneArgument();
    void renameTakesTheAnswerExactlyAsTyped_data();
    void renameTakesTheAnswerExactlyAsTyped();
    void refusedOrFailedCommandChangesNothing_data();
    void refusedOrFailedCommandChangesNothing();
    void programFailureIsWordedInTheWindowsLanguage_data();
    void programFailureIsWordedInTheWindowsLanguage();
    void deleteEmptiesItsFrameOnly();
};

void FileCommandsTest::externalProgramGetsThePathAsOneArgument_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("english");
    QTest::newRow("quick view input") << u"c3dInputView"_qs << false;
    QTest::newRow("quick view output") << u"c3dOutputView"_qs << true;
    QTest::newRow("edit input, greek notice") << u"c3dInputEdit"_qs << false;
    QTest::newRow("edit output, english notice") << u"c3dOutputEdit"_qs << true;
}

// Quick view starts its viewer and returns at once; Edit shows its notice first, then waits for the
// editor and rebuilds the information line for the input only.
void FileCommandsTest::externalProgramGetsThePathAsOneArgument()
{
    QFETCH(QString, button);
    QFETCH(bool, english);
    const bool output = button.contains(u"Output"_qs);
    WindowFixture f;
    const QString viewer = writeRecorder(f, u"view.sh"_qs, u"sleep 5"_qs);
    const QString editor = writeRecorder(f, u"edit.sh"_qs, u"sleep 0.3\nprintf more >> \"$1\""_qs);
    QVERIFY(f.start(WindowFixture::standardIni(viewer, editor)));
    if (english)
        f.click("c3dEnglish");
    // Characters that a shell would split, expand or run, and Greek letters.
    const QString folder = f.work(u"my files $PATH;"_qs);
    const QString input = folder + u"/a b \"q\" 'r' $HOME; ls `id` Ελληνικά.txt"_qs;
    const QString target = output ? input + u" out"_qs : input;
    const QByteArray content = output ? "xy" : "abc";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(f.write(input, "abc"));
    QVERIFY(f.write(input + u" out"_qs, "xy"));
    f.selectInput({input});
    f.selectOutput(input + u" out"_qs);
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();

    if (button.endsWith(u"View"_qs)) {
        QElapsedTimer timer;
        timer.start();
        f.click(qPrintable(button));
        f.click(qPrintable(button));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.platform.log, (QStringList{u"start"_qs, u"start"_qs}));
        QTRY_COMPARE(recordOf(f, u"view.sh"_qs), oneArgument(target) + oneArgument(target));
        QCOMPARE(f.read(target), content);
        QCOMPARE(f.text("lblPleaseWait"), line);
        return;
    }
    f.platform.answers << platform::Answer::Ok;
    f.click(qPrintable(button));
    const QString title = english ? u"Edit"_qs : u"Επεξεργασία"_qs;
    const QString notice = english
                               ? u"The application is suspended for as long as you are editing the file '%1'."_qs
                               : u"Η εφαρμογή αδρανοποιείται για όσο χρονικό διάστημα επεξεργάζεστε το αρχείο «%1»."_qs;
    QCOMPARE(f.platform.log, (QStringList{u"box:"_qs + title, u"wait"_qs}));
    QCOMPARE(f.platform.boxes.last().text, notice.arg(target));
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Information);
    // Waited for: the record and the change are complete when the click returns.
    QCOMPARE(recordOf(f, u"edit.sh"_qs), oneArgument(target));
    QCOMPARE(f.read(target), content + "more");
    if (output)
        QCOMPARE(f.text("lblPleaseWait"), line);
    else
        QVERIFY2(f.text("lblPleaseWait").startsWith(u"Αρχείο εισόδου: 7 χαρακτήρες, "_qs),
                 qPrintable(f.text("lblPleaseWait")));
}

void FileCommandsTest::renameTakesTheAnswerExactlyAsTyped_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("english");
    QTest::newRow("blanks around and inside") << u"  two  blanks  "_qs << false;
    QTest::newRow("shell syntax") << u"$(touch pwned); `touch pwned` | x"_qs << false;
    QTest::newRow("255 bytes") << QString(127, u'ω') + u'x' << false;
    QTest::newRow("empty answer (Cancel) changes nothing, english") << QString() << true;
}

void FileCommandsTest::renameTakesTheAnswerExactlyAsTyped()
{
    QFETCH(QString, answer);
    QFETCH(bool, english);
    WindowFixture f;
    QVERIFY(f.start());
    f.chooseFiles("12345", "xy");
    if (english)
        f.click("c3dEnglish");
    // A size changed behind the window's back shows whether the line is rebuilt after the rename.
    QVERIFY(f.write(f.inputFile(), "1234567"));
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    f.platform.inputAnswers << answer << answer;
    f.click("c3dInputRename");
    f.click("c3dOutputRename");

    QCOMPARE(f.platform.inputRequests[0].title, english ? u"Rename"_qs : u"Μετονομασία"_qs);
    QCOMPARE(f.platform.inputRequests[0].prompt,
             english ? u"Enter the new name of the input file. "_qs
                     : u"Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εισόδου. "_qs);
    QCOMPARE(f.platform.inputRequests[1].prompt, english
                                                     ? u"Enter the new name of the output file. "_qs
                                                     : u"Γράψτε το νέο όνομα που θέλετε να έχει το αρχείο εξόδου. "_qs);
    const QString inputName = answer.isEmpty() ? u"in.txt"_qs : answer;
    const QString outputName = answer.isEmpty() ? u"out.txt"_qs : answer;
    const QString newInput = f.work(u"in/"_qs) + inputName;
    const QString newOutput = f.work(u"out/"_qs) + outputName;
    QCOMPARE(QDir(f.work(u"in"_qs)).entryList(QDir::Files), QStringList{inputName});
    QCOMPARE(QDir(f.work(u"out"_qs)).entryList(QDir::Files), QStringList{outputName});
    QCOMPARE(f.read(newInput), QByteArray("1234567"));
    QCOMPARE(f.read(newOutput), QByteArray("xy"));
    QCOMPARE(f.window->state().InputFilePath, newInput);
    QCOMPARE(f.window->state().InputFolder, f.work(u"in/"_qs));
    QCOMPARE(f.text("txtInputFullPathName"), newInput);
    QCOMPARE(f.window->state().OutputFilePath, newOutput);
    QCOMPARE(f.text("txtOutputFullPathName"), newOutput);
    if (answer.isEmpty())
        QCOMPARE(f.text("lblPleaseWait"), line);
    else
        QVERIFY(f.text("lblPleaseWait").startsWith(u"Αρχείο εισόδου: 7 χαρακτήρες, "_qs));
    QVERIFY(!QFileInfo::exists(f.folder() + u"/pwned"_qs));
    QVERIFY(f.available("c3dInputRename") && f.available("c3dConvert"));
}

void FileCommandsTest::refusedOrFailedCommandChangesNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("typed"); // into the rename box
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("text"); // of the last box
    const QString view = u"Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή της γρήγορης προβολής."_qs;
    const QString edit = u"Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή του επεξεργαστή."_qs;
    const QString rename = u"Η εφαρμογή δεν μπορεί να μετονομάσει το αρχείο."_qs;
    const QString remove = u"Η εφαρμογή δεν μπορεί να διαγράψει το αρχείο."_qs;
    const QString missing = u"NO SUCH FILE OR DIRECTORY"_qs;
    const QStringList renameLog{u"input"_qs, u"beep"_qs, u"box:Trelvick - Μετονομασία"_qs};
    const QStringList deleteLog{u"beep"_qs, u"box:Διαγραφή"_qs, u"beep"_qs, u"box:Trelvick - Διαγραφή"_qs};
    const QString programs = u"programs removed after start-up"_qs;
    // The system's reason, never Qt's English text ("execv: ...").
    QTest::newRow("quick view input") << u"c3dInputView"_qs << programs << QString()
                                      << QStringList{u"start"_qs, u"beep"_qs, u"box:Trelvick - Γρήγορη προβολή"_qs}
                                      << failure(missing, view);
    QTest::newRow("quick view output, programs made folders")
        << u"c3dOutputView"_qs << u"programs made folders"_qs << QString()
        << QStringList{u"start"_qs, u"beep"_qs, u"box:Trelvick - Γρήγορη προβολή"_qs}
        << failure(u"PERMISSION DENIED"_qs, view);
    QTest::newRow("edit output, after the notice")
        << u"c3dOutputEdit"_qs << programs << QString()
        << QStringList{u"box:Επεξεργασία"_qs, u"wait"_qs, u"beep"_qs, u"box:Trelvick - Επεξεργασία"_qs}
        << failure(missing, edit);
    QTest::newRow("edit input, which the editor removes")
        << u"c3dInputEdit"_qs << u"editor removes"_qs << QString()
        << QStringList{u"box:Επεξεργασία"_qs, u"wait"_qs, u"beep"_qs, u"box:Trelvick - Επεξεργασία"_qs}
        << failure(missing, edit);
    QTest::newRow("rename input onto a taken name")
        << u"c3dInputRename"_qs << QString() << u"other.txt"_qs << renameLog << failure(u"FILE EXISTS"_qs, rename);
    QTest::newRow("rename output not written yet")
        << u"c3dOutputRename"_qs << u"output missing"_qs << u"new.txt"_qs << renameLog << failure(missing, rename);
    QTest::newRow("delete input removed behind the window")
        << u"c3dInputDelete"_qs << u"input missing"_qs << QString() << deleteLog << failure(missing, remove);
    QTest::newRow("delete output not written yet")
        << u"c3dOutputDelete"_qs << u"output missing"_qs << QString() << deleteLog << failure(missing, remove);
    QTest::newRow("delete input answered No") << u"c3dInputDelete"_qs << QString() << QString() << deleteLog.mid(0, 2)
                                              << u"Θέλετε πράγματι να διαγράψετε το αρχείο «%1»;"_qs;
}

// A failure is reported with the system's description in capitals, and a delete answered No does
// nothing; files, selection, buttons and the information line stay as they were.
void FileCommandsTest::refusedOrFailedCommandChangesNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, fault);
    QFETCH(QString, typed);
    QFETCH(QStringList, log);
    QFETCH(QString, text);
    WindowFixture f;
    const QString viewer = writeRecorder(f, u"view.sh"_qs);
    const bool editorRemoves = fault == u"editor removes"_qs;
    const QString editor = writeRecorder(f, u"edit.sh"_qs, editorRemoves ? u"rm -- \"$1\""_qs : QString());
    QVERIFY(f.start(WindowFixture::standardIni(viewer, editor)));
    f.chooseFiles("12345", "xy");
    QVERIFY(f.write(f.work(u"in/other.txt"_qs), "other"));
    QVERIFY(f.write(f.work(u"out/other.txt"_qs), "other"));
    if (fault.startsWith(u"programs"_qs))
        QVERIFY(QFile::remove(viewer) && QFile::remove(editor));
    if (fault == u"programs made folders"_qs)
        QVERIFY(QDir().mkpath(viewer) && QDir().mkpath(editor));
    const bool inputMissing = fault == u"input missing"_qs;
    const bool outputMissing = fault == u"output missing"_qs;
    if (inputMissing || outputMissing)
        QVERIFY(QFile::remove(inputMissing ? f.inputFile() : f.outputFile()));
    const QString line = f.text("lblPleaseWait");
    f.platform.log.clear();
    if (!typed.isEmpty())
        f.platform.inputAnswers << typed;
    // The delete question is answered Yes where a failure follows it.
    for (const QString& entry : log)
        if (entry.startsWith(u"box:"_qs))
            f.platform.answers << (entry != u"box:Διαγραφή"_qs ? platform::Answer::Ok
                                   : entry == log.last()       ? platform::Answer::No
                                                               : platform::Answer::Yes);

    f.click(qPrintable(button));
    QCOMPARE(f.platform.log, log);
    QCOMPARE(f.platform.boxes.last().text, text.replace(u"%1"_qs, f.inputFile()));
    QCOMPARE(f.platform.boxes.last().icon,
             text.startsWith(u"Προέκυψε"_qs) ? platform::Icon::Exclamation : platform::Icon::Question);
    QCOMPARE(f.read(f.work(u"in/other.txt"_qs)), QByteArray("other"));
    QCOMPARE(f.read(f.work(u"out/other.txt"_qs)), QByteArray("other"));
    QCOMPARE(f.read(f.inputFile()), inputMissing || editorRemoves ? QByteArray("<missing>") : "12345");
    QCOMPARE(f.read(f.outputFile()), outputMissing ? QByteArray("<missing>") : "xy");
    QCOMPARE(f.window->state().InputFilePath, f.inputFile());
    QCOMPARE(f.window->state().OutputFilePath, f.outputFile());
    QCOMPARE(f.text("txtInputFullPathName"), f.inputFile());
    QCOMPARE(f.text("txtOutputFullPathName"), f.outputFile());
    QVERIFY(f.window->state().InputFileDefined && f.window->state().OutputFileDefined);
    QCOMPARE(f.text("lblPleaseWait"), line);
    for (const char* name : {"c3dInputRename", "c3dInputDelete", "c3dOutputRename", "c3dOutputDelete", "c3dConvert"})
        QVERIFY2(f.available(name), name);
    QCOMPARE(f.platform.exitStatus, -1);
}

void FileCommandsTest::programFailureIsWordedInTheWindowsLanguage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("text");
    QTest::newRow("quick view, greek")
        << u"c3dInputView"_qs << false
        << failure(u"ΤΟ ΠΡΌΓΡΑΜΜΑ ΔΕΝ ΜΠΌΡΕΣΕ ΝΑ ΞΕΚΙΝΉΣΕΙ"_qs,
                   u"Η εφαρμογή δεν μπορεί να ενεργοποιήσει την εντολή της γρήγορης προβολής."_qs);
    QTest::newRow("edit, english") << u"c3dOutputEdit"_qs << true
                                   << u"Error 'THE PROGRAM COULD NOT BE STARTED' has occured.\r\n\r\n"
                                      u"The application cannot activate the editor command."_qs;
}

// The platform hands over an error, not a text: the window words it in the language in force.
void FileCommandsTest::programFailureIsWordedInTheWindowsLanguage()
{
    QFETCH(QString, button);
    QFETCH(bool, english);
    QFETCH(QString, text);
    WindowFixture f;
    QVERIFY(f.start(WindowFixture::standardIni(u"/bin/true"_qs, u"/bin/true"_qs)));
    f.chooseFiles("12345", "xy");
    if (english)
        f.click("c3dEnglish");
    f.platform.startFailure = base::Error::fault(base::Fault::NotStarted);
    // Edit shows its notice before it starts the editor.
    const qsizetype boxes = button.endsWith(u"Edit"_qs) ? 2 : 1;
    for (qsizetype i = 0; i < boxes; ++i)
        f.platform.answers << platform::Answer::Ok;
    f.platform.log.clear();
    f.click(qPrintable(button));
    QCOMPARE(f.platform.boxes.size(), boxes);
    QCOMPARE(f.platform.boxes.last().text, text);
    QCOMPARE(f.platform.boxes.last().icon, platform::Icon::Exclamation);
    QCOMPARE(f.platform.log.count(u"beep"_qs), 1);
}

// The output goes first and leaves the input's information line; the input then takes it along.
void FileCommandsTest::deleteEmptiesItsFrameOnly()
{
    WindowFixture f;
    QVERIFY(f.start(WindowFixture::standardIni(u"/bin/true"_qs, u"/bin/true"_qs)));
    f.chooseFiles("12345", "xy");
    const QString line = f.text("lblPleaseWait");
    QVERIFY(line.startsWith(u"Αρχείο εισόδου: 5 χαρακτήρες"_qs));
    f.platform.answers << platform::Answer::Yes << platform::Answer::Yes;
    f.click("c3dOutputDelete");
    // The output question has always had a blank after the opening «.
    QCOMPARE(f.platform.boxes.last().text, u"Θέλετε πράγματι να διαγράψετε το αρχείο « %1»;"_qs.arg(f.outputFile()));
    QVERIFY(!QFileInfo::exists(f.outputFile()));
    QCOMPARE(f.read(f.inputFile()), QByteArray("12345"));
    QVERIFY(!f.window->state().OutputFileDefined);
    QCOMPARE(f.window->state().OutputFilePath, QString());
    QCOMPARE(f.text("txtOutputFullPathName"), QString());
    QCOMPARE(f.text("lblPleaseWait"), line);
    QVERIFY(f.available("c3dOutputDefine") && f.available("c3dInputDelete") && f.available("c3dInputView"));
    for (const char* name : {"c3dOutputView", "c3dOutputRename", "c3dOutputDelete", "c3dConvert"})
        QVERIFY2(!f.available(name), name);

    f.click("c3dEnglish");
    f.click("c3dInputDelete");
    QCOMPARE(f.platform.log.filter(u"box:"_qs), (QStringList{u"box:Διαγραφή"_qs, u"box:Delete"_qs}));
    QCOMPARE(f.platform.boxes.last().text, u"Do you really want to delete the '%1' file?"_qs.arg(f.inputFile()));
    QVERIFY(!QFileInfo::exists(f.inputFile()));
    QVERIFY(!f.window->state().InputFileDefined);
    QCOMPARE(f.window->state().InputFilePath, QString());
    QCOMPARE(f.window->state().InputFolder, QString());
    QCOMPARE(f.text("txtInputFullPathName"), QString());
    QCOMPARE(f.text("lblPleaseWait"), QString());
    QVERIFY(f.available("c3dInputDefine"));
    for (const char* name : {"c3dInputView", "c3dInputEdit", "c3dInputRename", "c3dInputDelete"})
        QVERIFY2(!f.available(name), name);
    f.click("c3dGreek");
    QCOMPARE(f.text("lblPleaseWait"), QString());
    QCOMPARE(f.platform.log.count(u"beep"_qs), 2);
}

QTEST_MAIN(FileCommandsTest)
#include "filecommandstest.moc"
