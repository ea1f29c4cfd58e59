// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/identity.h"
#include "lang/errortext.h"
#include "platform/qtplatform.h"
#include "windowfixture.h"

#include <QLockFile>
#include <QMenuBar>
#include <QProcess>
#include <cerrno>

using namespace trelvick;
using testing::WindowFixture;

namespace {

// The lock column's value for a lock that another running copy holds; others are errno values.
constexpr int kHeld = -1;

const char* const kUsableAtStart[] = {"c3dInputDefine", "c3dOutputDefine", "c3dExit",
                                      "c3dGreek",       "c3dEnglish",      "c3dInfo"};

bool usableAtStart(const char* name)
{
    return std::any_of(std::begin(kUsableAtStart), std::end(kUsableAtStart),
                       [name](const char* usable) { return qstrcmp(usable, name) == 0; });
}

QString bilingual(const QString& el, const QString& en)
{
    return el + u"\r\n\r\n"_qs + en;
}

QStringList programFolderEntries(const WindowFixture& f)
{
    return QDir(f.programFolder()).entryList(QDir::AllEntries | QDir::Hidden);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void windowStartsWithItsConvertersAndOnlyTheSelectionCommandsUsable();
    void refusalShowsItsBilingualMessageAndEnds_data();
    void refusalShowsItsBilingualMessageAndEnds();
    void instanceLockTellsAFailureFromAHeldLock_data();
    void instanceLockTellsAFailureFromAHeldLock();
    // Last: it renames the test program itself.
    void identityNamesThePackagedMenuEntry();
};

void StartupTest::windowStartsWithItsConvertersAndOnlyTheSelectionCommandsUsable()
{
    WindowFixture f;
    // Descriptions alike, too long, and one above the count; the list is read in key order.
    f.writeIni({u"[Trelvick]"_qs, u"ΠλήθοςΜετατροπέων=4"_qs, u"[ΠεριγραφήΜετατροπέων]"_qs, u"Μ2=Same"_qs, u"Μ4=Same"_qs,
                u"Μ3="_qs + QString(60, u'Ω'), u"Μ5=Above the count"_qs});
    const QStringList before = programFolderEntries(f);
    QVERIFY(f.start({}));
    QCOMPARE(programFolderEntries(f), before);
    QCOMPARE(f.window->state().InterfaceLanguage, lang::Language::Greek);
    auto* combo = f.find<QComboBox>("cboConverterSelection");
    auto* keys = f.find<QListWidget>("lstConverterSelection");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(keys->count(), 3);
    const QStringList expectedKeys{u"Μ2"_qs, u"Μ3"_qs, u"Μ4"_qs};
    const QStringList expectedTexts{u"Same"_qs, QString(49, u'Ω'), u"Same"_qs};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(keys->item(i)->text(), expectedKeys[i]);
        QCOMPARE(combo->itemText(i), expectedTexts[i]);
    }
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(f.text("txtProgress"), u"0%"_qs);
    for (const char* name : testing::kAllCommands) {
        QCOMPARE(f.available(name), usableAtStart(name));
        // Unavailable commands are marked by the pointer alone, never greyed out.
        QVERIFY2(f.button(name)->isEnabled(), name);
        QCOMPARE(f.button(name)->cursor().shape(), usableAtStart(name) ? Qt::ArrowCursor : Qt::ForbiddenCursor);
    }

    QCOMPARE(f.window->size(), QSize(529, 417));
    QCOMPARE(f.find<QWidget>("f3dInputFile")->geometry(), QRect(8, 8, 353, 89));
    QCOMPARE(f.button("c3dInputDelete")->geometry(), QRect(280, 24, 49, 49));
    QCOMPARE(f.button("c3dInfo")->geometry(), QRect(472, 328, 49, 49));
    QCOMPARE(f.find<QWidget>("p3dProgress")->geometry(), QRect(8, 360, 457, 25));
    // The percentage box is centred once at start-up: 3000 and 90 twips within the bar.
    QCOMPARE(f.find<QWidget>("txtProgress")->pos(), QPoint(200, 6));
    QCOMPARE(f.find<QWidget>("lblCopyright")->geometry(), QRect(8, 392, 513, 17));
    QVERIFY(f.window->font().family() == u"DejaVu Sans"_qs && f.window->font().bold());
    QCOMPARE(f.window->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(f.find<QWidget>("lblPleaseWait")->palette().color(QPalette::Window), QColor(255, 0, 0));
    QVERIFY(f.find<QWidget>("lblConverter")->font().bold() && !f.find<QWidget>("txtOutputFullPathName")->font().bold());
    // No button covers another or reaches out of its frame.
    for (const char* name : testing::kAllCommands) {
        const QWidget* button = f.button(name);
        QVERIFY2(button->parentWidget()->rect().contains(button->geometry()), name);
        for (const char* other : testing::kAllCommands)
            QVERIFY2(name == other || button->parentWidget() != f.button(other)->parentWidget() ||
                         !button->geometry().intersects(f.button(other)->geometry()),
                     name);
    }

    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    for (const char* hidden : {"lstConverterSelection", "lstListOfFilenames"})
        QVERIFY2(!f.find<QListWidget>(hidden)->isVisible(), hidden);
    for (const char* shown : {"p3dInputFullPathName", "p3dOutputFullPathName", "p3dConverter", "p3dConverterSelection",
                              "p3dPleaseWait", "p3dProgress"})
        QVERIFY2(f.find<QWidget>(shown)->isVisible(), shown);
    QVERIFY(!f.window->findChild<QMenuBar*>());
    // The fills as painted: the status line red, the path boxes light cyan to their very edge.
    const QImage shot = f.window->grab().toImage();
    const auto painted = [&](const char* name) {
        return shot.pixelColor(f.find<QWidget>(name)->mapTo(f.window.get(), QPoint()));
    };
    QCOMPARE(painted("lblPleaseWait"), QColor(255, 0, 0));
    QCOMPARE(painted("txtInputFullPathName"), QColor(192, 255, 255));
}

void StartupTest::refusalShowsItsBilingualMessageAndEnds_data()
{
    QTest::addColumn<QStringList>("ini");  // empty: no tq.ini at all
    QTest::addColumn<bool>("personal");    // the ini is the personal one, a sound one in the program folder
    QTest::addColumn<int>("lock");         // kHeld: another copy runs; otherwise why it cannot be made
    QTest::addColumn<QString>("expected"); // %1: the upper-case path of the ini
    const QString noCount = bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς την εγγραφή "
                                      u"«ΠλήθοςΜετατροπέων» στο «%1» αρχείο."_qs,
                                      u"The application cannot function without the "
                                      u"'ΠλήθοςΜετατροπέων' entry in the '%1' file."_qs);
    const QString wrongCount = bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει αν η εγγραφή "
                                         u"«ΠλήθοςΜετατροπέων» στο «%1» αρχείο, είναι λανθασμένη."_qs,
                                         u"The application cannot function if the entry "
                                         u"'ΠλήθοςΜετατροπέων' in the '%1' file, is wrong."_qs);
    const QString noConverter =
        bilingual(u"Για να λειτουργήσει η εφαρμογή πρέπει να υπάρχει τουλάχιστον μία εγγραφή στην ενότητα "
                  u"«ΠεριγραφήΜετατροπέων» του  αρχείου «%1»."_qs,
                  u"The application can function only if there is at least one entry in the "
                  u"'ΠεριγραφήΜετατροπέων' section  of the '%1' file."_qs);
    auto failure = [](const QString& error) {
        return bilingual(u"Προέκυψε το λάθος «"_qs + error +
                             u"». Ελέγξτε το αρχείο «%1», για λανθασμένες διαδρομές στις εγγραφές "
                             u"«ΓρήγορηΠροβολή» και «Επεξεργασία»."_qs,
                         u"Error '"_qs + error +
                             u"' has occured. Check the '%1' file, for illegal path names in the "
                             u"'ΓρήγορηΠροβολή' and 'Επεξεργασία' entries."_qs);
    };
    auto ini = [](const QString& count, const QString& converter = u"Μ1=One"_qs) {
        QStringList lines{u"[Trelvick]"_qs};
        if (!count.isNull())
            lines << u"ΠλήθοςΜετατροπέων="_qs + count;
        return lines << u"[ΠεριγραφήΜετατροπέων]"_qs << converter;
    };

    QTest::newRow("missing file") << QStringList() << false << 0
                                  << bilingual(u"Η εφαρμογή δεν μπορεί να λειτουργήσει χωρίς το αρχείο «%1»."_qs,
                                               u"The application cannot function without the '%1' file."_qs);
    QTest::newRow("no count") << ini({}) << false << 0 << noCount;
    QTest::newRow("count 0") << ini(u"0"_qs) << false << 0 << wrongCount;
    QTest::newRow("count 40000") << ini(u"40000"_qs) << false << 0 << failure(u"OVERFLOW"_qs);
    QTest::newRow("only a key above the count") << ini(u"2"_qs, u"Μ3=Three"_qs) << false << 0 << noConverter;
    QTest::newRow("personal count 0") << ini(u"0"_qs) << true << 0 << wrongCount;
    // Before the configuration is looked at, so the message names no file yet.
    QTest::newRow("lock cannot be made") << QStringList() << false << EACCES
                                         << failure(u"PERMISSION DENIED"_qs).arg(QString());
    // No tq.ini either: the instance test must come first.
    QTest::newRow("another copy runs")
        << QStringList() << false << kHeld
        << bilingual(u"Η εφαρμογή είναι ήδη ενεργοποιημένη. Δεν μπορεί να εκτελείται παραπάνω από μία φορά την "
                     u"ίδια χρονική στιγμή."_qs,
                     u"The application has already been launched. Only once instance can be active at a time."_qs);
}

void StartupTest::refusalShowsItsBilingualMessageAndEnds()
{
    QFETCH(QStringList, ini);
    QFETCH(bool, personal);
    QFETCH(int, lock);
    QFETCH(QString, expected);
    const bool held = lock == kHeld;
    WindowFixture f;
    f.platform.otherInstance = held;
    f.platform.lockFailure = held ? 0 : lock;
    if (personal)
        f.writeIni(WindowFixture::standardIni());
    const QString folder = personal ? f.personalFolder() : f.programFolder();
    if (!ini.isEmpty())
        f.writeIni(ini, folder);
    f.platform.answers << platform::Answer::Ok;
    QVERIFY(!f.start({}));
    QCOMPARE(f.platform.log, (QStringList{u"beep"_qs, u"box:Trelvick - Trelvick"_qs, u"end"_qs}));
    const platform::MessageBoxRequest& box = f.platform.boxes.front();
    QCOMPARE(box.text, expected.replace(u"%1"_qs, (folder + u"/tq.ini"_qs).toUpper()));
    QCOMPARE(box.icon, held ? platform::Icon::Information : platform::Icon::Stop);
    QCOMPARE(box.buttons, platform::Buttons::Ok);
    QCOMPARE(box.labels.ok, u"OK"_qs);
    QCOMPARE(f.platform.exitStatus, held ? 0 : 1);
    const QString title = held ? u"...duplicate instance."_qs : QString();
    QCOMPARE(f.platform.applicationTitle, title);
    QCOMPARE(f.window->windowTitle(), title);
}

void StartupTest::instanceLockTellsAFailureFromAHeldLock_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("otherInstance");
    QTest::addColumn<QString>("failure"); // empty: no failure
    QTest::newRow("free") << "free" << false << QString();
    QTest::newRow("held by a running copy") << "held" << true << QString();
    QTest::newRow("left by a crashed copy") << "stale" << false << QString();
    QTest::newRow("folder is a file") << "file" << false << u"Not a directory"_qs;
}

void StartupTest::instanceLockTellsAFailureFromAHeldLock()
{
    QFETCH(QString, situation);
    QFETCH(bool, otherInstance);
    QFETCH(QString, failure);
    testsupport::TempFolder f;
    QString folder = f.folder();
    const QString lock = folder + u"/trelvick.lock"_qs;
    QLockFile holder(lock);
    if (situation == u"held"_qs) {
        QVERIFY(holder.tryLock(0));
    } else if (situation == u"stale"_qs) {
        // This process's own lock file, rewritten to name a process that has ended.
        QProcess ended;
        ended.start(u"/bin/true"_qs);
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QVERIFY(holder.tryLock(0));
        QByteArray content = f.read(lock);
        holder.unlock();
        content.replace(0, content.indexOf('\n'), QByteArray::number(pid));
        QVERIFY(f.write(lock, content));
    } else if (situation == u"file"_qs) {
        folder += u"/plain"_qs;
        QVERIFY(f.write(folder, "x"));
    }
    platform::QtPlatform real(folder);
    const base::Expected<bool> another = real.anotherInstanceRunning();
    if (another) {
        QCOMPARE(*another, otherInstance);
        QVERIFY(failure.isEmpty());
    } else {
        QCOMPARE(lang::errorText(another.error(), lang::Language::English), failure);
    }
}

// A menu entry renamed, or an id mistyped, leaves the running window unmatched: the desktop shows no
// name or icon of the entry for it.
void StartupTest::identityNamesThePackagedMenuEntry()
{
    app::setApplicationIdentity();
    QFile entry(QStringLiteral(TRELVICK_SOURCE_DIR "/packaging/") + QGuiApplication::desktopFileName() +
                u".desktop"_qs);
    QVERIFY2(entry.open(QIODevice::ReadOnly), qPrintable(entry.fileName()));
    // X11 matches by the window class, which is the application name.
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(u'\n');
    QVERIFY(lines.contains(u"StartupWMClass="_qs + QGuiApplication::applicationName()));
}

QTEST_MAIN(StartupTest)
#include "startuptest.moc"
