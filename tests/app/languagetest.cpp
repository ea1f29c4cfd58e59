// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowfixture.h"

#include <QDateTime>

using namespace trelvick;
using testing::WindowFixture;

namespace {

struct Caption
{
    const char* widget; // a frame's title, a label's text or a button's hint
    const char* greek;
    const char* english;
};
const Caption kCaptions[] = {
    {"f3dInputFile", " Αρχείο εισόδου ", " Input file "},
    {"f3dOutputFile", " Αρχείο εξόδου ", " Output file "},
    {"f3dLanguage", " Γλώσσα ", " Language "},
    {"lblConverter", "Είδος μετατροπής", "Conversion type"},
    {"lblCopyright", "Έκδοση 2001.0009.0012, ελεύθερο λογισμικό της ομάδας Trelvick.",
     "Version 2001.0009.0012, free software by the Trelvick team."},
    {"c3dConvert", "Μετατροπή", "Conversion"},
    {"c3dEnglish", "Αγγλικά - English", "Αγγλικά - English"},
    {"c3dInfo", "Συμπληρωματικές πληροφορίες", "Supplementary information"},
    {"c3dOutputRename", "Μετονομασία", "Rename"},
};

void verifyCaptions(const WindowFixture& f, bool english)
{
    QCOMPARE(f.window->windowTitle(), u"Trelvick"_qs);
    for (const Caption& caption : kCaptions) {
        const QString name = QString::fromLatin1(caption.widget);
        QString shown;
        if (auto* frame = f.find<QGroupBox>(caption.widget))
            shown = frame->title();
        else if (name.startsWith(u"c3d"_qs))
            shown = f.button(caption.widget)->toolTip();
        else
            shown = f.text(caption.widget);
        QCOMPARE(shown, QString::fromUtf8(english ? caption.english : caption.greek));
    }
}

} // namespace

class LanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }
    void everyTextAndTheHelpFollowTheLanguage();
    void informationLineShowsSizeAndDateInTheLanguageAndLocale_data();
    void informationLineShowsSizeAndDateInTheLanguageAndLocale();
};

// A missing help file is handed on under its upper-case name; the window does nothing more.
void LanguageTest::everyTextAndTheHelpFollowTheLanguage()
{
    WindowFixture f;
    QVERIFY(f.start());
    verifyCaptions(f, false);
    const QString help = f.programFolder() + u"/tq-grhlp.hlp"_qs;
    QCOMPARE(f.window->state().HelpFilePath, help.toUpper());
    f.click("c3dInfo");
    QVERIFY(f.write(help, "<p>el</p>"));
    QVERIFY(f.write(f.programFolder() + u"/tq-ukhlp.hlp"_qs, "<p>en</p>"));
    f.click("c3dInfo");
    f.platform.openResults << platform::FileDialogResult{} << platform::FileDialogResult{};
    f.platform.saveResults << platform::FileDialogResult{};

    f.click("c3dEnglish");
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::English);
    verifyCaptions(f, true);
    QCOMPARE(f.text("lblPleaseWait"), QString()); // no input: no line
    QCOMPARE(f.window->state().HelpFilePath, (f.programFolder() + u"/tq-ukhlp.hlp"_qs).toUpper());
    f.click("c3dInfo");
    f.click("c3dInputDefine");
    f.click("c3dOutputDefine");
    f.click("c3dGreek");
    verifyCaptions(f, false);
    f.click("c3dInputDefine");
    QCOMPARE(f.platform.log, (QStringList{u"help"_qs, u"help"_qs, u"help"_qs, u"open"_qs, u"save"_qs, u"open"_qs}));
    QCOMPARE(f.platform.helpShown, (QStringList{help.toUpper(), help, f.programFolder() + u"/tq-ukhlp.hlp"_qs}));
    // The viewer words a help file it cannot read in the window's language.
    QCOMPARE(f.platform.helpLanguages,
             (QList<lang::Language>{lang::Language::Greek, lang::Language::Greek, lang::Language::English}));
    QCOMPARE(f.platform.openRequests[0].title, u"Input file(s) selection"_qs);
    QCOMPARE(f.platform.openRequests[0].filter, u"All files (*)"_qs);
    QCOMPARE(f.platform.saveRequests[0].title, u"Output file selection"_qs);
    QCOMPARE(f.platform.openRequests[1].title, u"Επιλογή αρχείου(ων) εισόδου"_qs);
    QCOMPARE(f.platform.openRequests[1].filter, u"Όλα τα αρχεία (*)"_qs);

    f.platform.log.clear();
    f.click("c3dExit");
    QCOMPARE(f.platform.log, QStringList{u"end"_qs});
    QCOMPARE(f.platform.exitStatus, 0);
    // Nothing runs once the program has been told to end.
    f.click("c3dEnglish");
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::Greek);
}

void LanguageTest::informationLineShowsSizeAndDateInTheLanguageAndLocale_data()
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

void LanguageTest::informationLineShowsSizeAndDateInTheLanguageAndLocale()
{
    QFETCH(QString, locale);
    QFETCH(QTime, time);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(locale));
    WindowFixture f;
    QVERIFY(f.start());
    QVERIFY(f.write(f.inputFile(), "12345"));
    QFile file(f.inputFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(QDate(2024, 3, 9), time), QFileDevice::FileModificationTime));
    f.selectInput({f.inputFile()});
    QCOMPARE(f.text("lblPleaseWait"), u"Αρχείο εισόδου: 5 χαρακτήρες, "_qs + expected + u'.');
    f.click("c3dEnglish");
    QCOMPARE(f.text("lblPleaseWait"), u"Input file: 5 bytes, "_qs + expected + u'.');

    // Pressing the language in force again re-reads the file.
    QVERIFY(f.write(f.inputFile(), QByteArray(1234, 'x')));
    f.click("c3dEnglish");
    QVERIFY(f.text("lblPleaseWait").startsWith(u"Input file: 1234 bytes, "_qs));

    // A file gone behind the window's back keeps the old line, and the switch still finishes.
    const QString kept = f.text("lblPleaseWait");
    QVERIFY(QFile::remove(f.inputFile()));
    f.click("c3dGreek");
    QCOMPARE(f.text("lblPleaseWait"), kept);
    QVERIFY(f.window->state().InputFileDefined);
    QCOMPARE(f.button("c3dOutputView")->toolTip(), u"Γρήγορη προβολή"_qs);
    QVERIFY(f.window->state().HelpFilePath.endsWith(u"TQ-GRHLP.HLP"_qs));
    QCOMPARE(f.platform.exitStatus, -1);
}

QTEST_MAIN(LanguageTest)
#include "languagetest.moc"
