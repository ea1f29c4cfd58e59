// SPDX-License-Identifier: GPL-3.0-or-later
// The rescue window before anything is written: the plan of a mixed archive, what the table shows and
// how it sorts and filters, the language, and what assistive technology reads.
#include "rescuefixture.h"

#include "rescueapp/rescuetexts.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

using namespace trelvick;
using rescueapp::Column;
using rescueapp::Language;
using testing::RescueFixture;
using testing::Stage;

class RescuePlanTest : public QObject
{
    Q_OBJECT

private slots:
    void planTellsWhatBecomesOfEachFileAndWritesNothing_data();
    void planTellsWhatBecomesOfEachFileAndWritesNothing();
    void doubtFilterAndSortShowTheRightRows();
    void previewNeverEndsInHalfACharacter_data();
    void previewNeverEndsInHalfACharacter();
    void languageFollowsWhatGettextWouldPick_data();
    void languageFollowsWhatGettextWouldPick();
    void languageSwitchRewordsEveryText();
    void everyControlAndCellReadsOnTheAccessibilityBus();
    void noTwoControlsShareAnAccessKey_data();
    void noTwoControlsShareAnAccessKey();
};

void RescuePlanTest::planTellsWhatBecomesOfEachFileAndWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("codepage");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<bool>("readable"); // the preview reads as the Greek text
    QTest::newRow("737") << u"archive/LETTER.TXT"_qs << u"CP737"_qs << u"convert"_qs << QString() << true;
    QTest::newRow("869") << u"archive/OLD869.TXT"_qs << u"CP869"_qs << u"convert"_qs << QString() << true;
    QTest::newRow("1253") << u"archive/win.txt"_qs << u"CP1253"_qs << u"convert"_qs << QString() << true;
    QTest::newRow("ISO-8859-7") << u"archive/web/notes.txt"_qs << u"ISO-8859-7"_qs << u"convert"_qs << QString()
                                << true;
    QTest::newRow("UTF-8") << u"archive/utf8.txt"_qs << u"UTF-8"_qs << u"unchanged"_qs << QString() << true;
    QTest::newRow("picture") << u"archive/web/photo.png"_qs << QString() << u"copy"_qs << QString() << false;
    QTest::newRow("link") << u"archive/link.txt"_qs << QString() << u"skip"_qs << QString() << false;
    QTest::newRow("737 name") << u"archive/\\x8b\\x84\\x8c\\x8e\\x93.TXT"_qs << u"CP737"_qs << u"convert"_qs
                              << u"ΜΕΝΟΥ.TXT"_qs << true;
}

void RescuePlanTest::planTellsWhatBecomesOfEachFileAndWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, codepage);
    QFETCH(QString, action);
    QFETCH(QString, newName);
    QFETCH(bool, readable);
    RescueFixture f;
    QVERIFY(f.writeArchive());
    const auto before = f.snapshot();
    f.find<QCheckBox>("convertNames")->setChecked(true);
    QVERIFY(f.scan());
    QCOMPARE(f.window->plan().rowCount(), 8);
    const int r = f.row(name);
    QVERIFY2(r >= 0, qPrintable(name));
    QCOMPARE(f.cell(r, Column::Codepage), codepage);
    QCOMPARE(f.cell(r, Column::Action), action);
    QCOMPARE(f.cell(r, Column::NewName), newName);
    QCOMPARE(f.cell(r, Column::Preview).startsWith(u"Άνοιξη στην Αθήνα: οι μαθητές"_qs), readable);
    QCOMPARE(f.cell(r, Column::Language), readable && codepage != u"UTF-8"_qs ? u"Greek"_qs : QString());
    QCOMPARE(f.snapshot(), before);
    QVERIFY(f.problems().isEmpty());
}

void RescuePlanTest::previewNeverEndsInHalfACharacter_data()
{
    // UTF-8, one line longer than the 240 bytes the scan keeps of a file, so that they end inside a character.
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("two-byte letters, cut after the first byte") << "ab" + QByteArray("Αθήνα ").repeated(30);
    QTest::newRow("three-byte marks, cut after the second byte") << "a" + QByteArray("…€").repeated(60);
}

void RescuePlanTest::previewNeverEndsInHalfACharacter()
{
    QFETCH(QByteArray, line);
    RescueFixture f;
    QVERIFY(testsupport::makePath(f.archive()) && testsupport::writeBytes(f.at("long.txt"), line));
    QVERIFY(f.scan());
    const QString preview = f.cell(f.row(u"archive/long.txt"_qs), Column::Preview);
    QVERIFY2(!preview.contains(QChar::ReplacementCharacter), qPrintable(preview));
    QVERIFY(preview.size() > 50);
    QVERIFY2(QString::fromUtf8(line).startsWith(preview), qPrintable(preview));
}

void RescuePlanTest::doubtFilterAndSortShowTheRightRows()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    // Two letters: too few to tell 1253 from 1251.
    testsupport::writeBytes(f.at("web/short.txt"), testsupport::iconvText("Αθ", "UTF-8", "CP1253"));
    QVERIFY(f.scan());
    QAbstractItemModel* shown = f.table()->model();
    f.find<QCheckBox>("onlyInDoubt")->setChecked(true);
    QCOMPARE(shown->rowCount(), 1);
    QCOMPARE(shown->index(0, int(Column::Name)).data().toString(), u"archive/web/short.txt"_qs);
    QCOMPARE(shown->index(0, int(Column::Action)).data().toString(), u"in doubt"_qs);
    f.find<QCheckBox>("onlyInDoubt")->setChecked(false);
    QCOMPARE(shown->rowCount(), 9);

    // By name: the bytes of the paths below the input, a name in 737 after every ASCII one.
    f.table()->sortByColumn(int(Column::Name), Qt::AscendingOrder);
    QStringList names;
    for (int r = 0; r < shown->rowCount(); ++r)
        names << shown->index(r, int(Column::Name)).data().toString();
    QCOMPARE(names, (QStringList{u"archive/LETTER.TXT"_qs, u"archive/OLD869.TXT"_qs, u"archive/link.txt"_qs,
                                 u"archive/utf8.txt"_qs, u"archive/web/notes.txt"_qs, u"archive/web/photo.png"_qs,
                                 u"archive/web/short.txt"_qs, u"archive/win.txt"_qs,
                                 u"archive/\\x8b\\x84\\x8c\\x8e\\x93.TXT"_qs}));
    f.table()->sortByColumn(int(Column::Confidence), Qt::DescendingOrder);
    for (int r = 1; r < shown->rowCount(); ++r) {
        const int above = shown->index(r - 1, int(Column::Confidence)).data().toString().remove(u" %"_qs).toInt();
        const int here = shown->index(r, int(Column::Confidence)).data().toString().remove(u" %"_qs).toInt();
        QVERIFY2(above >= here, qPrintable(u"row %1"_qs.arg(r)));
    }
}

void RescuePlanTest::languageFollowsWhatGettextWouldPick_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("greek");
    QTest::newRow("LANG Greek") << QString() << QString() << QString() << u"el_GR.UTF-8"_qs << true;
    QTest::newRow("LANG English") << QString() << QString() << QString() << u"en_US.UTF-8"_qs << false;
    QTest::newRow("nothing set") << QString() << QString() << QString() << QString() << false;
    QTest::newRow("LC_ALL over LANG") << QString() << u"C.UTF-8"_qs << QString() << u"el_GR.UTF-8"_qs << false;
    QTest::newRow("LC_MESSAGES over LANG") << QString() << QString() << u"el_GR.UTF-8"_qs << u"en_GB.UTF-8"_qs << true;
    QTest::newRow("LANGUAGE over the locale") << u"el"_qs << QString() << QString() << u"en_GB.UTF-8"_qs << true;
    QTest::newRow("LANGUAGE, first with texts")
        << u"de:el_GR:en"_qs << QString() << QString() << u"de_DE.UTF-8"_qs << true;
    QTest::newRow("LANGUAGE without texts: as written")
        << u"de"_qs << QString() << QString() << u"el_GR.UTF-8"_qs << false;
    QTest::newRow("LANGUAGE ignored under C") << u"el"_qs << u"C"_qs << QString() << u"el_GR.UTF-8"_qs << false;
    QTest::newRow("another language starting el") << u"elx"_qs << QString() << QString() << u"el_GR.UTF-8"_qs << false;
}

void RescuePlanTest::languageFollowsWhatGettextWouldPick()
{
    QFETCH(QString, language);
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(bool, greek);
    QCOMPARE(rescueapp::languageOf(language, lcAll, lcMessages, lang) == Language::Greek, greek);
}

void RescuePlanTest::languageSwitchRewordsEveryText()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    QVERIFY(f.scan());
    auto* status = f.find<QLabel>("status");
    QVERIFY(status->text().startsWith(u"8 files"_qs));
    QCOMPARE(f.find<QComboBox>("language")->currentText(), u"English"_qs);
    f.find<QComboBox>("language")->setCurrentIndex(0); // Ελληνικά
    QCOMPARE(f.window->language(), Language::Greek);
    QCOMPARE(f.window->windowTitle(), u"Trelvick Διάσωση"_qs);
    QCOMPARE(f.table()->model()->headerData(int(Column::Name), Qt::Horizontal).toString(), u"Όνομα"_qs);
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), u"μετατροπή"_qs);
    QCOMPARE(f.cell(f.row(u"archive/link.txt"_qs), Column::Note),
             rescue::reasonText({rescue::Reason::Code::SymbolicLink, {}, 0, {}, {}}, Language::Greek));
    QVERIFY(status->text().startsWith(u"8 αρχεία"_qs));
    QCOMPARE(f.find<QPushButton>("convert")->accessibleName(), u"Μετατροπή"_qs);
    QCOMPARE(f.find<QComboBox>("language")->currentIndex(), 0);
    f.find<QComboBox>("language")->setCurrentIndex(1);
    QCOMPARE(f.cell(f.row(u"archive/LETTER.TXT"_qs), Column::Action), u"convert"_qs);
    QVERIFY(status->text().startsWith(u"8 files"_qs));
}

void RescuePlanTest::everyControlAndCellReadsOnTheAccessibilityBus()
{
    RescueFixture f;
    QVERIFY(f.writeArchive());
    f.window->show();
    QVERIFY(f.scan());
    int controls = 0;
    for (QWidget* widget : f.window->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith(u"qt_"_qs) || name == u"splitter"_qs)
            continue;
        ++controls;
        QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(name));
        QVERIFY2(!widget->accessibleDescription().isEmpty(), qPrintable(name));
    }
    QCOMPARE(controls, 28);

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.table());
    QVERIFY(table && table->tableInterface());
    QCOMPARE(table->tableInterface()->rowCount(), 8);
    QCOMPARE(table->tableInterface()->columnCount(), rescueapp::kColumnCount);
    const int r = f.proxyRow(u"archive/web/notes.txt"_qs);
    for (const Column column : {Column::Name, Column::Codepage, Column::Action, Column::Preview}) {
        QAccessibleInterface* cell = table->tableInterface()->cellAt(r, int(column));
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), f.table()->model()->index(r, int(column)).data().toString());
    }
    QCOMPARE(table->tableInterface()->cellAt(r, int(Column::Codepage))->text(QAccessible::Name), u"ISO-8859-7"_qs);
}

void RescuePlanTest::noTwoControlsShareAnAccessKey_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << Language::English;
    QTest::newRow("Greek") << Language::Greek;
}

// Alt and a letter two controls share only moves the focus between them: neither is pressed.
void RescuePlanTest::noTwoControlsShareAnAccessKey()
{
    QFETCH(Language, language);
    RescueFixture f(language);
    QMap<QKeySequence, QString> owners;
    for (QWidget* widget : f.window->findChildren<QWidget*>()) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy())
            text = label->text();
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            continue;
        QVERIFY2(!owners.contains(key), qPrintable(owners.value(key) + u" and "_qs + text));
        owners.insert(key, text);
    }
    QVERIFY(owners.size() >= 12);
}

QTEST_MAIN(RescuePlanTest)
#include "rescueplantest.moc"
