// SPDX-License-Identifier: GPL-3.0-or-later
// The rescue window's Greek comes from the command line's catalogue, the switch works whatever the
// process's locale, and a missing catalogue leaves the window in English, never in message ids.
#include "rescueapp/rescuewindow.h"
#include "scriptedplatform.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace trelvick;
using rescueapp::Language;
using rescueapp::Phrasebook;

class RescueLanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void greekTextsComeFromTheCatalogueAndSwitchBack_data();
    void greekTextsComeFromTheCatalogueAndSwitchBack();
    void missingCatalogueShowsEnglish();
    void countedTextsTakeTheSingularForOne_data();
    void countedTextsTakeTheSingularForOne();
};

namespace {

QString captionOf(const QWidget& window, const char* name)
{
    const QObject* widget = window.findChild<QObject*>(QLatin1StringView(name));
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

Phrasebook built(Language language)
{
    return Phrasebook::open(QStringLiteral(TRELVICK_BUILD_LOCALE_DIR), language);
}

} // namespace

void RescueLanguageTest::greekTextsComeFromTheCatalogueAndSwitchBack_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("greek");
    QTest::addColumn<QString>("english");
    QTest::newRow("button") << "convert"_ba << u"Μετατ&ροπή"_s << u"&Convert"_s;
    QTest::newRow("button with an ellipsis") << "addFolder"_ba << u"Προσθήκη &φακέλου…"_s << u"Add &folder…"_s;
    QTest::newRow("check box") << "onlyInDoubt"_ba << u"Μόνο τα αρχεία σε α&μφιβολία"_s
                               << u"Only the files in &doubt"_s;
    QTest::newRow("caption") << "problemsCaption"_ba << u"Προβλήματα:"_s << u"Problems:"_s;
}

void RescueLanguageTest::greekTextsComeFromTheCatalogueAndSwitchBack()
{
    QFETCH(QByteArray, control);
    QFETCH(QString, greek);
    QFETCH(QString, english);
    testing::ScriptedPlatform platform;
    rescueapp::RescueWindow window(platform, built(Language::Greek));
    QCOMPARE(window.language(), Language::Greek);
    QCOMPARE(captionOf(window, control.constData()), greek);
    QCOMPARE(window.windowTitle(), u"Trelvick Διάσωση"_s);

    auto* choice = window.findChild<QComboBox*>(u"language"_s);
    QVERIFY(choice);
    choice->setCurrentIndex(1);
    QCOMPARE(window.language(), Language::English);
    QCOMPARE(captionOf(window, control.constData()), english);
    choice->setCurrentIndex(0);
    QCOMPARE(captionOf(window, control.constData()), greek);
}

void RescueLanguageTest::missingCatalogueShowsEnglish()
{
    testing::ScriptedPlatform platform;
    rescueapp::RescueWindow window(platform, Phrasebook::open(u"/nonexistent/locale"_s, Language::Greek));
    QCOMPARE(window.language(), Language::English);
    QCOMPARE(captionOf(window, "convert"), u"&Convert"_s);
    window.setLanguage(Language::Greek);
    QCOMPARE(captionOf(window, "convert"), u"&Convert"_s);
    QCOMPARE(window.findChild<QComboBox*>(u"language"_s)->currentIndex(), 1);
    QCOMPARE(rescueapp::scanning(Phrasebook::open(u"/nonexistent"_s, Language::Greek), 1, 2),
             u"Scanning: 1 of 2 files"_s);
}

void RescueLanguageTest::countedTextsTakeTheSingularForOne_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Greek, one") << int(Language::Greek) << qint64(1) << u"Σάρωση: 0 από 1 αρχείο"_s;
    QTest::newRow("Greek, none") << int(Language::Greek) << qint64(0) << u"Σάρωση: 0 από 0 αρχεία"_s;
    QTest::newRow("Greek, two") << int(Language::Greek) << qint64(2) << u"Σάρωση: 0 από 2 αρχεία"_s;
    QTest::newRow("English, one") << int(Language::English) << qint64(1) << u"Scanning: 0 of 1 file"_s;
    QTest::newRow("English, two") << int(Language::English) << qint64(2) << u"Scanning: 0 of 2 files"_s;
}

void RescueLanguageTest::countedTextsTakeTheSingularForOne()
{
    QFETCH(int, language);
    QFETCH(qint64, total);
    QFETCH(QString, shown);
    QCOMPARE(rescueapp::scanning(built(Language(language)), 0, total), shown);
}

QTEST_MAIN(RescueLanguageTest)
#include "rescuelanguagetest.moc"
