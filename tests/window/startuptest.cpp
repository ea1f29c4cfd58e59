// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtplatform.h"
#include "windowfixture.h"

#include <QLockFile>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <stdexcept>

using namespace trelvick;
using testing::WindowFixture;

namespace {

const char* const kUsableAtStart[] = {"c3dInputDefine", "c3dOutputDefine", "c3dExit", "c3dGreek", "c3dEnglish",
                                      "c3dInfo"};

bool usableAtStart(const char* name)
{
    for (const char* usable : kUsableAtStart)
        if (qstrcmp(usable, name) == 0)
            return true;
    return false;
}

QString bilingual(const QString& el, const QString& en)
{
    return el + QStringLiteral("\r\n\r\n") + en;
}

} // namespace

class StartupTest : public testing::WindowTest
{
    Q_OBJECT

private slots:
    void windowStartsInGreekWithOnlyTheSelectionCommandsUsable();
    void layoutMatchesTheDesignInPixels();
    void badConfigurationShowsItsBilingualMessageAndEnds_data();
    void badConfigurationShowsItsBilingualMessageAndEnds();
    void secondInstanceIsRefusedBeforeTheConfigurationIsRead();
    void instanceLockTellsAFailureFromAHeldLock_data();
    void instanceLockTellsAFailureFromAHeldLock();
    void converterListKeepsKeysBesideTheirDescriptions();
    void startupWritesNothing();
};

void StartupTest::windowStartsInGreekWithOnlyTheSelectionCommandsUsable()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    QVERIFY(f.platform.boxes.isEmpty());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Trelvick"));
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::Greek);
    QCOMPARE(f.find<QComboBox>("cboConverterSelection")->currentIndex(), 0);
    QCOMPARE(f.find<QComboBox>("cboConverterSelection")->currentText(), QStringLiteral("Πρώτος - First"));
    QCOMPARE(f.text("txtInputFullPathName"), QString());
    QCOMPARE(f.text("txtOutputFullPathName"), QString());
    QCOMPARE(f.text("txtProgress"), QStringLiteral("0%"));
    QCOMPARE(f.find<app::ProgressPanel>("p3dProgress")->percentage(), 0);
    QCOMPARE(f.find<QGroupBox>("f3dInputFile")->title(), QStringLiteral(" Αρχείο εισόδου "));
    QCOMPARE(f.find<QGroupBox>("f3dOutputFile")->title(), QStringLiteral(" Αρχείο εξόδου "));
    QCOMPARE(f.find<QGroupBox>("f3dLanguage")->title(), QStringLiteral(" Γλώσσα "));
    QCOMPARE(f.text("lblConverter"), QStringLiteral("Είδος μετατροπής"));
    QVERIFY(f.text("lblCopyright").startsWith(QStringLiteral("Έκδοση 2001.0009.0012, ")));
    QCOMPARE(f.button("c3dInfo")->toolTip(), QStringLiteral("Συμπληρωματικές πληροφορίες"));
    QCOMPARE(f.button("c3dEnglish")->toolTip(), QStringLiteral("Αγγλικά - English"));
    QCOMPARE(f.window->state().HelpFilePath, (f.programFolder() + QStringLiteral("/tq-grhlp.hlp")).toUpper());

    for (const char* name : testing::kAllCommands) {
        QVERIFY2(f.button(name), name);
        QCOMPARE(f.available(name), usableAtStart(name));
        // Unavailable commands are marked by the pointer alone, never greyed out.
        QVERIFY2(f.button(name)->isEnabled(), name);
        QCOMPARE(f.button(name)->cursor().shape(), usableAtStart(name) ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    }
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    for (const char* hidden : {"lstConverterSelection", "lstListOfFilenames"})
        QVERIFY2(!f.find<QListWidget>(hidden)->isVisible(), hidden);
    for (const char* shown : {"p3dInputFullPathName", "p3dOutputFullPathName", "p3dConverter",
                              "p3dConverterSelection", "p3dPleaseWait", "p3dProgress"})
        QVERIFY2(f.find<QWidget>(shown)->isVisible(), shown);
    QVERIFY(!f.window->findChild<QMenuBar*>());
}

void StartupTest::layoutMatchesTheDesignInPixels()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    QVERIFY(f.start());
    QCOMPARE(f.window->size(), QSize(529, 417));
    QCOMPARE(f.find<QWidget>("f3dInputFile")->geometry(), QRect(8, 8, 353, 89));
    QCOMPARE(f.button("c3dInputDelete")->geometry(), QRect(280, 24, 49, 49));
    QCOMPARE(f.button("c3dInfo")->geometry(), QRect(472, 328, 49, 49));
    QCOMPARE(f.find<QWidget>("p3dProgress")->geometry(), QRect(8, 360, 457, 25));
    // The percentage box is centred once at start-up: 3000 and 90 twips within the bar.
    QCOMPARE(f.find<QWidget>("txtProgress")->pos(), QPoint(200, 6));
    QCOMPARE(f.find<QWidget>("lblCopyright")->geometry(), QRect(8, 392, 513, 17));
}

void StartupTest::badConfigurationShowsItsBilingualMessageAndEnds_data()
{
    QTest::addColumn<QStringList>("ini"); // empty: no tq.ini at all
    QTest::addColumn<QString>("expected"); // with %1 for the upper-case path
    QTest::addColumn<QString>("lockFailure");
    const QString c2 = bilingual(QStringLiteral("Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς την εγγραφή "
                                                "«ΠλήθοςΜετατροπέων» στο «%1» αρχείο."),
                                 QStringLiteral("The application cannot function without the "
                                                "'ΠλήθοςΜετατροπέων' entry in the '%1' file."));
    const QString c3 = bilingual(QStringLiteral("Η εφαρμογή δεν μπορεί να λειτουργήσει αν η εγγραφή "
                                                "«ΠλήθοςΜετατροπέων» στο «%1» αρχείο, είναι λανθασμένη."),
                                 QStringLiteral("The application cannot function if the entry "
                                                "'ΠλήθοςΜετατροπέων' in the '%1' file, is wrong."));
    const QString c4 = bilingual(
        QStringLiteral("Για να λειτουργήσει η εφαρμογή πρέπει να υπάρχει τουλάχιστον μία εγγραφή στην ενότητα "
                       "«ΠεριγραφήΜετατροπέων» του  αρχείου «%1»."),
        QStringLiteral("The application can function only if there is at least one entry in the "
                       "'ΠεριγραφήΜετατροπέων' section  of the '%1' file."));
    auto c5 = [](const QString& error) {
        return bilingual(QStringLiteral("Προέκυψε το λάθος «") + error +
                             QStringLiteral("». Ελέγξτε το αρχείο «%1», για λανθασμένες διαδρομές στις εγγραφές "
                                            "«ΓρήγορηΠροβολή» και «Επεξεργασία»."),
                         QStringLiteral("Error '") + error +
                             QStringLiteral("' has occured. Check the '%1' file, for illegal path names in the "
                                            "'ΓρήγορηΠροβολή' and 'Επεξεργασία' entries."));
    };
    auto ini = [](const QString& count, const QStringList& rest = {QStringLiteral("Μ1=One")}) {
        QStringList lines{QStringLiteral("[Trelvick]")};
        if (!count.isNull())
            lines << QStringLiteral("ΠλήθοςΜετατροπέων=") + count;
        lines << QStringLiteral("[ΠεριγραφήΜετατροπέων]") << rest;
        return lines;
    };

    QTest::newRow("missing file") << QStringList()
                                  << bilingual(
                                         QStringLiteral("Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς το αρχείο «%1»."),
                                         QStringLiteral("The application cannot function without the '%1' file."))
                                  << QString();
    QTest::newRow("no count") << ini(QString()) << c2 << QString();
    QTest::newRow("count 0") << ini(QStringLiteral("0")) << c3 << QString();
    QTest::newRow("count 40000") << ini(QStringLiteral("40000")) << c5(QStringLiteral("OVERFLOW")) << QString();
    QTest::newRow("only a key above the count")
        << ini(QStringLiteral("2"), {QStringLiteral("Μ3=Three")}) << c4 << QString();
    // A link that points at itself cannot be tested: the test itself fails (ELOOP), which is not "no file".
    QTest::newRow("viewer behind a link loop")
        << QStringList{QStringLiteral("[Trelvick]"), QStringLiteral("ΓρήγορηΠροβολή=%WORK%/loop"),
                       QStringLiteral("ΠλήθοςΜετατροπέων=1"), QStringLiteral("[ΠεριγραφήΜετατροπέων]"),
                       QStringLiteral("Μ1=One")}
        << c5(QStringLiteral("TOO MANY LEVELS OF SYMBOLIC LINKS")) << QString();
    // A personal tq.ini is read instead of a sound one in the program folder, and the messages name it.
    QTest::newRow("personal count 0") << ini(QStringLiteral("0")) << c3 << QString();
    // Before the configuration is looked at, so the message names no file yet.
    QTest::newRow("lock cannot be made") << QStringList() << c5(QStringLiteral("PERMISSION DENIED")).arg(QString())
                                         << QStringLiteral("Permission denied");
}

void StartupTest::badConfigurationShowsItsBilingualMessageAndEnds()
{
    QFETCH(QStringList, ini);
    QFETCH(QString, expected);
    const bool personal = QByteArray(QTest::currentDataTag()).startsWith("personal");
    QFETCH(QString, lockFailure);
    WindowFixture f;
    f.platform.lockFailure = lockFailure;
    QVERIFY(QFile::link(QStringLiteral("loop"), f.work(QStringLiteral("loop"))));
    if (personal)
        f.writeIni(WindowFixture::standardIni());
    const QString folder = personal ? f.personalFolder() : f.programFolder();
    if (!ini.isEmpty())
        f.writeIni(ini.replaceInStrings(QStringLiteral("%WORK%"), f.workFolder()), folder);
    f.platform.answers << platform::Answer::Ok;
    QVERIFY(!f.start());
    const QString path = (folder + QStringLiteral("/tq.ini")).toUpper();
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("beep"), QStringLiteral("box:Trelvick - Trelvick"),
                                          QStringLiteral("end")}));
    const platform::MessageBoxRequest& box = f.platform.boxes.front();
    QCOMPARE(box.text, lockFailure.isEmpty() ? expected.arg(path) : expected);
    QCOMPARE(box.icon, platform::Icon::Stop);
    QCOMPARE(box.buttons, platform::Buttons::Ok);
    QCOMPARE(box.labels.ok, QStringLiteral("OK"));
    QCOMPARE(f.platform.exitStatus, 1);
}

void StartupTest::secondInstanceIsRefusedBeforeTheConfigurationIsRead()
{
    WindowFixture f; // no tq.ini: the instance test must come first
    f.platform.otherInstance = true;
    f.platform.answers << platform::Answer::Ok;
    QVERIFY(!f.start());
    QCOMPARE(f.platform.log, (QStringList{QStringLiteral("beep"), QStringLiteral("box:Trelvick - Trelvick"),
                                          QStringLiteral("end")}));
    QCOMPARE(f.platform.boxes.front().icon, platform::Icon::Information);
    QCOMPARE(f.platform.boxes.front().text,
             bilingual(QStringLiteral("Η εφαρμογή είναι ήδη ενεργοποιημένη. Δεν μπορεί να εκτελείται παραπάνω από "
                                      "μία φορά την ίδια χρονική στιγμή."),
                       QStringLiteral("The application has already been launched. Only once instance can be "
                                      "active at a time.")));
    QCOMPARE(f.platform.applicationTitle, QStringLiteral("...duplicate instance."));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("...duplicate instance."));
}

void StartupTest::instanceLockTellsAFailureFromAHeldLock_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("otherInstance");
    QTest::addColumn<QString>("failure"); // empty: no failure
    QTest::newRow("free") << "free" << false << QString();
    QTest::newRow("held by a running copy") << "held" << true << QString();
    QTest::newRow("left by a crashed copy") << "stale" << false << QString();
    QTest::newRow("folder is a file") << "file" << false << QStringLiteral("Not a directory");
}

void StartupTest::instanceLockTellsAFailureFromAHeldLock()
{
    QFETCH(QString, situation);
    QFETCH(bool, otherInstance);
    QFETCH(QString, failure);
    testsupport::TempFolder f;
    QString folder = f.folder();
    const QString lock = folder + QStringLiteral("/trelvick.lock");
    QLockFile holder(lock);
    if (situation == QStringLiteral("held")) {
        QVERIFY(holder.tryLock(0));
    } else if (situation == QStringLiteral("stale")) {
        // This process's own lock file, rewritten to name a process that has ended.
        QProcess ended;
        ended.start(QStringLiteral("/bin/true"));
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QVERIFY(holder.tryLock(0));
        QByteArray content = f.read(lock);
        holder.unlock();
        content.replace(0, content.indexOf('\n'), QByteArray::number(pid));
        QVERIFY(f.write(lock, content));
    } else if (situation == QStringLiteral("file")) {
        folder += QStringLiteral("/plain");
        QVERIFY(f.write(folder, "x"));
    }
    platform::QtPlatform real(folder);
    try {
        QCOMPARE(real.anotherInstanceRunning(), otherInstance);
        QVERIFY(failure.isEmpty());
    } catch (const std::runtime_error& error) {
        QCOMPARE(QString::fromUtf8(error.what()), failure);
    }
}

void StartupTest::converterListKeepsKeysBesideTheirDescriptions()
{
    WindowFixture f;
    f.writeIni({QStringLiteral("[Trelvick]"), QStringLiteral("ΠλήθοςΜετατροπέων=4"),
                QStringLiteral("[ΠεριγραφήΜετατροπέων]"), QStringLiteral("Μ2=Same"), QStringLiteral("Μ4=Same"),
                QStringLiteral("Μ3=") + QString(60, u'Ω'), QStringLiteral("Μ5=Above the count")});
    QVERIFY(f.start());
    auto* combo = f.find<QComboBox>("cboConverterSelection");
    auto* keys = f.find<QListWidget>("lstConverterSelection");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(keys->count(), 3);
    const QStringList expectedKeys{QStringLiteral("Μ2"), QStringLiteral("Μ3"), QStringLiteral("Μ4")};
    const QStringList expectedTexts{QStringLiteral("Same"), QString(49, u'Ω'), QStringLiteral("Same")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(keys->item(i)->text(), expectedKeys[i]);
        QCOMPARE(combo->itemText(i), expectedTexts[i]);
    }
}

void StartupTest::startupWritesNothing()
{
    WindowFixture f;
    f.writeIni(WindowFixture::standardIni());
    const QStringList before = QDir(f.programFolder()).entryList(QDir::AllEntries | QDir::Hidden);
    QVERIFY(f.start());
    QCOMPARE(QDir(f.programFolder()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

QTEST_MAIN(StartupTest)
#include "startuptest.moc"
