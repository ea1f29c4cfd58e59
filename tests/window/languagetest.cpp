// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include "platform/qtplatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <unistd.h>

using namespace trelvick;
using testing::WindowFixture;

namespace {

struct Hint
{
    const char* button;
    const char* greek;
    const char* english;
};
const Hint kHints[] = {
    {"c3dConvert", "Μετατροπή", "Conversion"},
    {"c3dEnglish", "Αγγλικά - English", "Αγγλικά - English"},
    {"c3dOutputRename", "Μετονομασία", "Rename"},
};

void setModified(const QString& path, const QDateTime& when)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace

class LanguageTest : public testing::WindowTest
{
    Q_OBJECT

private slots:
    void switchRecaptionsEveryElement();
    void cleanup()
    {
        QLocale::setDefault(QLocale::system());
        WindowTest::cleanup();
    }
    void informationLineFollowsTheLanguageWithFreshSizeAndDate();
    void informationLineWritesTheLocalesTimeWithSeconds_data();
    void informationLineWritesTheLocalesTimeWithSeconds();
    void saveDialogRefusesWhatCannotBeWritten_data();
    void saveDialogRefusesWhatCannotBeWritten();
    void helpOpensTheFileOfTheLanguageInForce();
    void laterTextsFollowTheLanguage();
    void exitEndsAtOnce();
};

void LanguageTest::switchRecaptionsEveryElement()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    f.click("c3dEnglish");
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::English);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Trelvick"));
    QCOMPARE(f.find<QGroupBox>("f3dInputFile")->title(), QStringLiteral(" Input file "));
    QCOMPARE(f.find<QGroupBox>("f3dOutputFile")->title(), QStringLiteral(" Output file "));
    QCOMPARE(f.find<QGroupBox>("f3dLanguage")->title(), QStringLiteral(" Language "));
    QCOMPARE(f.text("lblConverter"), QStringLiteral("Conversion type"));
    QVERIFY(f.text("lblCopyright").startsWith(QStringLiteral("Version 2001.0009.0012, ")));
    QCOMPARE(f.text("lblPleaseWait"), QString()); // no input: no line
    for (const Hint& hint : kHints)
        QCOMPARE(f.button(hint.button)->toolTip(), QString::fromUtf8(hint.english));
    f.click("c3dGreek");
    for (const Hint& hint : kHints)
        QCOMPARE(f.button(hint.button)->toolTip(), QString::fromUtf8(hint.greek));
    QCOMPARE(f.find<QGroupBox>("f3dInputFile")->title(), QStringLiteral(" Αρχείο εισόδου "));
    QVERIFY(f.platform.log.isEmpty());
}

void LanguageTest::informationLineFollowsTheLanguageWithFreshSizeAndDate()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const QString input = f.work(QStringLiteral("in.txt"));
    QVERIFY(f.write(input, "12345"));
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 7));
    setModified(input, when);
    f.platform.openResults << testing::ScriptedPlatform::chosen({input});
    f.click("c3dInputDefine");

    const QString greek = QStringLiteral("Αρχείο εισόδου: 5 χαρακτήρες, ");
    const QString line = f.text("lblPleaseWait");
    QVERIFY2(line.startsWith(greek), qPrintable(line));
    f.click("c3dEnglish");
    QCOMPARE(f.text("lblPleaseWait"), QStringLiteral("Input file: 5 bytes, ") + line.sliced(greek.size()));

    // Pressing the language in force again re-reads the file.
    QVERIFY(f.write(input, QByteArray(1234, 'x')));
    f.click("c3dEnglish");
    QVERIFY(f.text("lblPleaseWait").startsWith(QStringLiteral("Input file: 1234 bytes, ")));

    // A file gone behind the window's back keeps the old line, and the switch still finishes.
    const QString kept = f.text("lblPleaseWait");
    QVERIFY(QFile::remove(input));
    f.click("c3dGreek");
    QCOMPARE(f.text("lblPleaseWait"), kept);
    QVERIFY(f.window->state().InputFileDefined);
    QCOMPARE(f.button("c3dOutputView")->toolTip(), QStringLiteral("Γρήγορη προβολή"));
    QVERIFY(f.window->state().HelpFilePath.endsWith(QStringLiteral("TQ-GRHLP.HLP")));
    QVERIFY(!f.platform.ended);
}

void LanguageTest::informationLineWritesTheLocalesTimeWithSeconds_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("expected");
    const QTime afternoon(14, 5, 7);
    QTest::newRow("el_GR") << "el_GR" << afternoon << "9/3/24 2:05:07 Μ.Μ.";
    QTest::newRow("en_US") << "en_US" << afternoon << "3/9/24 2:05:07 PM";
    QTest::newRow("fi_FI dots") << "fi_FI" << afternoon << "9.3.2024 14.05.07";
    QTest::newRow("fr_CA words") << "fr_CA" << afternoon << "2024-03-09 14 h 05 min 07 s";
    QTest::newRow("midnight and 0.4 s") << "en_US" << QTime(0, 0, 0, 400) << "3/9/24";
    QTest::newRow("a second after midnight") << "fi_FI" << QTime(0, 0, 1) << "9.3.2024 0.00.01";
}

void LanguageTest::informationLineWritesTheLocalesTimeWithSeconds()
{
    QFETCH(QString, locale);
    QFETCH(QTime, time);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const QString input = f.work(QStringLiteral("in.txt"));
    QVERIFY(f.write(input, {}));
    setModified(input, QDateTime(QDate(2024, 3, 9), time));
    f.click("c3dEnglish");
    f.selectInput({input});
    QCOMPARE(f.text("lblPleaseWait"), QStringLiteral("Input file: 0 bytes, ") + expected + u'.');
}

// The real dialog, offscreen: a name typed into it is checked when the dialog is accepted.
void LanguageTest::saveDialogRefusesWhatCannotBeWritten_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("greek");
    QTest::addColumn<QString>("box"); // "%w": the work folder; empty: no box
    QTest::addColumn<bool>("chosen");
    QTest::newRow("missing folder") << "none/out.txt" << true << "Ο φάκελος «%w/none» δεν υπάρχει." << false;
    QTest::newRow("missing folder, English") << "a/b" << false << "The folder '%w/a' does not exist." << false;
    QTest::newRow("read-only file") << "locked.txt" << false << "The file '%w/locked.txt' cannot be written." << false;
    QTest::newRow("new file") << "out.txt" << true << "" << true;
    QTest::newRow("existing file, overwrite confirmed") << "old.txt" << false << "old.txt already exists" << true;
}

void LanguageTest::saveDialogRefusesWhatCannotBeWritten()
{
    QFETCH(QString, typed);
    QFETCH(bool, greek);
    QFETCH(QString, box);
    QFETCH(bool, chosen);
    WindowFixture f;
    QVERIFY(f.write(f.work(QStringLiteral("old.txt")), "x"));
    QVERIFY(f.write(f.work(QStringLiteral("locked.txt")), "x"));
    QVERIFY(QFile::setPermissions(f.work(QStringLiteral("locked.txt")), QFileDevice::ReadOwner));
    if (typed == QStringLiteral("locked.txt") && ::geteuid() == 0)
        QSKIP("root may write any file");

    // Boxes the dialog raises are read and answered Yes (or OK) as they come.
    QStringList boxes;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&boxes] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        boxes << shown->text();
        QAbstractButton* yes = shown->button(QMessageBox::Yes);
        (yes ? yes : shown->buttons().front())->click();
    });
    answerer.start(10);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
        // As the Save button does; after a refusal the user gives up.
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        if (dialog->isVisible())
            dialog->reject();
    });
    platform::QtPlatform real;
    const platform::FileDialogResult result = real.saveFile(
        {QStringLiteral("Save"), {}, f.workFolder(), {}, greek ? lang::Language::Greek : lang::Language::English});
    QCOMPARE(boxes.size(), box.isEmpty() ? 0 : 1);
    box.replace(QStringLiteral("%w"), f.workFolder());
    QCOMPARE(boxes.value(0).left(box.size()), box);
    QCOMPARE(result.outcome, chosen ? platform::FileDialogResult::Chosen : platform::FileDialogResult::Cancelled);
    QCOMPARE(result.names, chosen ? QStringList{f.work(typed)} : QStringList());
}

// A missing help file is handed on under its upper-case name; the window does nothing more.
void LanguageTest::helpOpensTheFileOfTheLanguageInForce()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    const QString greekPath = (f.programFolder() + QStringLiteral("/TQ-GRHLP.HLP")).toUpper();
    QCOMPARE(f.window->state().HelpFilePath, greekPath);
    f.click("c3dInfo");
    QCOMPARE(f.platform.log, QStringList{QStringLiteral("help")});
    QVERIFY(!f.platform.ended && f.available("c3dInfo"));
    QVERIFY(f.write(f.programFolder() + QStringLiteral("/tq-grhlp.hlp"), "<p>el</p>"));
    QVERIFY(f.write(f.programFolder() + QStringLiteral("/tq-ukhlp.hlp"), "<p>en</p>"));
    f.click("c3dInfo");
    f.click("c3dEnglish");
    QCOMPARE(f.window->state().HelpFilePath, (f.programFolder() + QStringLiteral("/TQ-UKHLP.HLP")).toUpper());
    f.click("c3dInfo");
    QCOMPARE(f.platform.helpShown, (QStringList{greekPath, f.programFolder() + QStringLiteral("/tq-grhlp.hlp"),
                                                f.programFolder() + QStringLiteral("/tq-ukhlp.hlp")}));
}

void LanguageTest::laterTextsFollowTheLanguage()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    f.platform.openResults << testing::ScriptedPlatform::cancelled() << testing::ScriptedPlatform::cancelled();
    f.platform.saveResults << testing::ScriptedPlatform::cancelled();
    f.click("c3dEnglish");
    f.click("c3dInputDefine");
    f.click("c3dOutputDefine");
    f.click("c3dGreek");
    f.click("c3dInputDefine");
    QCOMPARE(f.platform.openRequests[0].title, QStringLiteral("Input file(s) selection"));
    QCOMPARE(f.platform.openRequests[0].filter, QStringLiteral("All files (*)"));
    QCOMPARE(f.platform.saveRequests[0].title, QStringLiteral("Output file selection"));
    QCOMPARE(f.platform.openRequests[1].title, QStringLiteral("Επιλογή αρχείου(ων) εισόδου"));
    QCOMPARE(f.platform.openRequests[1].filter, QStringLiteral("Όλα τα αρχεία (*)"));
}

void LanguageTest::exitEndsAtOnce()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    f.click("c3dExit");
    QCOMPARE(f.platform.log, QStringList{QStringLiteral("end")});
    QCOMPARE(f.platform.exitStatus, 0);
    // Nothing runs once the program has been told to end.
    f.click("c3dEnglish");
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::Greek);
}

QTEST_MAIN(LanguageTest)
#include "languagetest.moc"
