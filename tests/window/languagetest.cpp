#include "windowfixture.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QTest>

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
    {"c3dExit", "Έξοδος", "Exit"},
    {"c3dGreek", "Ελληνικά - Greek", "Ελληνικά - Greek"},
    {"c3dInfo", "Συμπληρωματικές πληροφορίες", "Supplementary information"},
    {"c3dInputDefine", "Επιλογή", "Select"},
    {"c3dInputDelete", "Διαγραφή", "Delete"},
    {"c3dInputEdit", "Επεξεργασία", "Edit"},
    {"c3dInputRename", "Μετονομασία", "Rename"},
    {"c3dInputView", "Γρήγορη προβολή", "Quick view"},
    {"c3dOutputDefine", "Επιλογή", "Select"},
    {"c3dOutputDelete", "Διαγραφή", "Delete"},
    {"c3dOutputEdit", "Επεξεργασία", "Edit"},
    {"c3dOutputRename", "Μετονομασία", "Rename"},
    {"c3dOutputView", "Γρήγορη προβολή", "Quick view"},
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
    void informationLineFollowsTheLanguageWithFreshSizeAndDate();
    void helpOpensTheFileOfTheLanguageInForce();
    void laterTextsFollowTheLanguage();
    void exitEndsAtOnceAndCloseIsAccepted();
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
    QVERIFY(WindowFixture::writeBytes(input, "12345"));
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 7));
    setModified(input, when);
    f.platform.openResults << testing::ScriptedPlatform::chosen({input});
    f.click("c3dInputDefine");

    const QLocale locale = QLocale::system();
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    QString line = f.text("lblPleaseWait");
    QVERIFY2(line.startsWith(QStringLiteral("Αρχείο εισόδου: 5 χαρακτήρες, ") + date + u' '), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("05:07")) || line.contains(QStringLiteral("5:07")), qPrintable(line));
    QVERIFY(line.endsWith(u'.'));

    f.click("c3dEnglish");
    line = f.text("lblPleaseWait");
    QVERIFY2(line.startsWith(QStringLiteral("Input file: 5 bytes, ") + date), qPrintable(line));

    // Pressing the language in force again re-reads the file; a time of midnight is left out.
    QVERIFY(WindowFixture::writeBytes(input, QByteArray(1234, 'x')));
    const QDateTime midnight(QDate(2001, 9, 12), QTime(0, 0));
    setModified(input, midnight);
    f.click("c3dEnglish");
    line = f.text("lblPleaseWait");
    QCOMPARE(line, QStringLiteral("Input file: 1234 bytes, ") + locale.toString(midnight.date(), QLocale::ShortFormat) +
                       u'.');

    // A file gone behind the window's back keeps the old line, and the switch still finishes.
    QVERIFY(QFile::remove(input));
    f.click("c3dGreek");
    QCOMPARE(f.text("lblPleaseWait"), line);
    QVERIFY(f.window->state().InputFileDefined);
    QCOMPARE(f.button("c3dOutputView")->toolTip(), QStringLiteral("Γρήγορη προβολή"));
    QVERIFY(f.window->state().HelpFilePath.endsWith(QStringLiteral("TQ-GRHLP.HLP")));
    QVERIFY(!f.platform.ended);
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
    QVERIFY(WindowFixture::writeBytes(f.programFolder() + QStringLiteral("/tq-grhlp.hlp"), "<p>el</p>"));
    QVERIFY(WindowFixture::writeBytes(f.programFolder() + QStringLiteral("/tq-ukhlp.hlp"), "<p>en</p>"));
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

void LanguageTest::exitEndsAtOnceAndCloseIsAccepted()
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

    WindowFixture g;
    g.writeIni(WindowFixture::standardIni());
    QVERIFY(g.start());
    g.window->show();
    QVERIFY(g.window->close());
    QCOMPARE(g.platform.exitStatus, 0);
}

QTEST_MAIN(LanguageTest)
#include "languagetest.moc"
