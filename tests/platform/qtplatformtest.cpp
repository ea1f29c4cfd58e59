// SPDX-License-Identifier: GPL-3.0-or-later
// The real Qt side of the platform seam, which the window tests replace by a scripted one: what the user
// sees in each box and dialog, and what each answer gives back.
#include "platform/qtplatform.h"
#include "lang/errortext.h"
#include "platform/processes.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <cerrno>
#include <functional>
#include <tuple>
#include <unistd.h>

using namespace trelvick;
using namespace trelvick::platform;

namespace {

const lang::ButtonTexts kLabels{u"Fine"_qs, u"Sure"_qs, u"Never"_qs, u"Stop"_qs};

// Runs act on the modal widget the next call opens, once its event loop runs.
template <typename Widget> void whenShown(std::function<void(Widget*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* widget = qobject_cast<Widget*>(QApplication::activeModalWidget());
        QVERIFY(widget);
        act(widget);
    });
}

QStringList buttonTexts(const QMessageBox* box)
{
    QStringList texts;
    for (const QAbstractButton* button : box->buttons())
        texts << button->text();
    return texts;
}

QTextBrowser* lastViewer()
{
    QTextBrowser* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<QTextBrowser*>(widget); viewer && viewer->isVisible())
            found = viewer;
    return found;
}

} // namespace

class QtPlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxShowsTheRequestAndGivesTheAnswer_data();
    void messageBoxShowsTheRequestAndGivesTheAnswer();
    void inputBoxStartsEmptyAndGivesWhatWasTyped();
    void saveDialogRefusesWhatCannotBeWritten_data();
    void saveDialogRefusesWhatCannotBeWritten();
    void helpOpensBesideTheWindowAndSaysWhyItCannot();
    void programThatCannotStartGivesTheSystemsReason_data();
    void programThatCannotStartGivesTheSystemsReason();
    void endProgramKeepsTheStatus();
};

void QtPlatformTest::messageBoxShowsTheRequestAndGivesTheAnswer_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<int>("qtIcon");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("answer");
    const auto row = [](const char* name, Buttons buttons, Icon icon, bool escape, QMessageBox::Icon qtIcon,
                        QStringList texts, Answer answer) {
        QTest::newRow(name) << int(buttons) << int(icon) << escape << int(qtIcon) << texts << int(answer);
    };
    row("stop, OK", Buttons::Ok, Icon::Stop, false, QMessageBox::Critical, {u"Fine"_qs}, Answer::Ok);
    row("exclamation, Escape", Buttons::Ok, Icon::Exclamation, true, QMessageBox::Warning, {u"Fine"_qs}, Answer::Ok);
    row("information", Buttons::Ok, Icon::Information, false, QMessageBox::Information, {u"Fine"_qs}, Answer::Ok);
    row("question, the default", Buttons::YesNo, Icon::Question, false, QMessageBox::Question,
        {u"Sure"_qs, u"Never"_qs}, Answer::Yes);
    row("question, Escape", Buttons::YesNo, Icon::Question, true, QMessageBox::Question, {u"Sure"_qs, u"Never"_qs},
        Answer::No);
}

void QtPlatformTest::messageBoxShowsTheRequestAndGivesTheAnswer()
{
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(bool, escape);
    QFETCH(int, qtIcon);
    QFETCH(QStringList, texts);
    QFETCH(int, answer);
    QStringList seen;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        seen << box->windowTitle() << box->text() << QString::number(box->icon()) << QString::number(box->textFormat())
             << buttonTexts(box);
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->defaultButton()->click();
    });
    QtPlatform real;
    const Answer given = real.messageBox({u"Title"_qs, u"<b>one</b>\r\ntwo"_qs, Icon(icon), Buttons(buttons), kLabels});
    QCOMPARE(seen, QStringList({u"Title"_qs, u"<b>one</b>\r\ntwo"_qs, QString::number(qtIcon),
                                QString::number(Qt::PlainText)}) +
                       texts);
    QCOMPARE(int(given), answer);
}

void QtPlatformTest::inputBoxStartsEmptyAndGivesWhatWasTyped()
{
    for (const bool accept : {true, false}) {
        QStringList seen;
        whenShown<QInputDialog>([&](QInputDialog* dialog) {
            seen << dialog->windowTitle() << dialog->labelText() << dialog->textValue() << dialog->okButtonText()
                 << dialog->cancelButtonText();
            dialog->setTextValue(u"new name.txt"_qs);
            accept ? dialog->accept() : dialog->reject();
        });
        QtPlatform real;
        const QString typed = real.inputBox({u"Rename"_qs, u"New name:"_qs, kLabels});
        QCOMPARE(seen, (QStringList{u"Rename"_qs, u"New name:"_qs, QString(), u"Fine"_qs, u"Stop"_qs}));
        QCOMPARE(typed, accept ? u"new name.txt"_qs : QString());
    }
}

// The real dialog, offscreen: a name typed into it is checked when the dialog is accepted.
void QtPlatformTest::saveDialogRefusesWhatCannotBeWritten_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("greek");
    QTest::addColumn<QString>("box"); // "%w": the work folder; empty: no box
    QTest::addColumn<bool>("chosen");
    QTest::newRow("missing folder") << "none/out.txt" << true << "plain: Ο φάκελος «%w/none» δεν υπάρχει." << false;
    QTest::newRow("missing folder, English") << "a/b" << false << "plain: The folder '%w/a' does not exist." << false;
    QTest::newRow("read-only file") << "locked.txt" << false << "plain: The file '%w/locked.txt' cannot be written."
                                    << false;
    QTest::newRow("new file") << "out.txt" << true << "" << true;
    QTest::newRow("existing file, overwrite confirmed") << "old.txt" << false << "old.txt already exists" << true;
}

void QtPlatformTest::saveDialogRefusesWhatCannotBeWritten()
{
    QFETCH(QString, typed);
    QFETCH(bool, greek);
    QFETCH(QString, box);
    QFETCH(bool, chosen);
    const testsupport::TempFolder work;
    QVERIFY(work.write(u"old.txt"_qs, "x") && work.write(u"locked.txt"_qs, "x", 0400));
    if (typed == u"locked.txt"_qs && ::geteuid() == 0)
        QSKIP("root may write any file");

    // Boxes the dialog raises are read and answered Yes (or OK) as they come.
    QStringList boxes;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&boxes] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        // The refusals show the name as typed: never as markup.
        boxes << (shown->textFormat() == Qt::PlainText ? u"plain: "_qs : QString()) + shown->text();
        QAbstractButton* yes = shown->button(QMessageBox::Yes);
        (yes ? yes : shown->buttons().front())->click();
    });
    answerer.start(10);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs)->setText(typed);
        // As the Save button does; after a refusal the user gives up.
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        if (dialog->isVisible())
            dialog->reject();
    });
    platform::QtPlatform real;
    const platform::FileDialogResult result =
        real.saveFile({u"Save"_qs, {}, work.folder(), {}, greek ? lang::Language::Greek : lang::Language::English});
    QCOMPARE(boxes.size(), box.isEmpty() ? 0 : 1);
    box.replace(u"%w"_qs, work.folder());
    QCOMPARE(boxes.value(0).left(box.size()), box);
    QCOMPARE(result.outcome, chosen ? platform::FileDialogResult::Chosen : platform::FileDialogResult::Cancelled);
    QCOMPARE(result.names, chosen ? QStringList{work.path(typed)} : QStringList());
}

void QtPlatformTest::helpOpensBesideTheWindowAndSaysWhyItCannot()
{
    const testsupport::TempFolder folder;
    const QString help = folder.path(u"help.hlp"_qs);
    QVERIFY(folder.write(help, "<html><head><title>Βοήθεια</title></head><body><p>Κείμενο</p></body></html>"));

    QWidget window;
    window.setGeometry(100, 50, 300, 200);
    window.show();
    QtPlatform real;
    real.setMainWindow(&window);

    real.showHelp(help, lang::Language::Greek);
    QTextBrowser* viewer = lastViewer();
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), u"Βοήθεια"_qs);
    QCOMPARE(viewer->toPlainText(), u"Κείμενο"_qs);
    QCOMPARE(viewer->objectName(), u"helpViewer"_qs);
    QCOMPARE(viewer->pos().x(), window.frameGeometry().right() + 8);
    QCOMPARE(viewer->pos().y(), window.frameGeometry().top());
    // Closing the viewer must free it: every click on help opens a new one.
    QPointer<QTextBrowser> closed = viewer;
    viewer->close();
    QTRY_VERIFY(closed.isNull());

    // The reason is the system's, worded as the window words errors in its language (not Qt's English).
    QVERIFY(QDir().mkpath(folder.path(u"folder.hlp"_qs)));
    for (const auto& [name, reason, language] : {std::tuple(u"none.hlp"_qs, ENOENT, lang::Language::Greek),
                                                 std::tuple(u"folder.hlp"_qs, EISDIR, lang::Language::English)}) {
        const QString path = folder.path(name);
        real.showHelp(path, language);
        closed = viewer = lastViewer();
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), name);
        QCOMPARE(viewer->toPlainText(), path + u"\n\n"_qs + lang::errorText(base::systemError(reason), language));
        viewer->close();
        QTRY_VERIFY(closed.isNull());
    }
}

void QtPlatformTest::programThatCannotStartGivesTheSystemsReason_data()
{
    QTest::addColumn<QString>("program"); // "%d": the test's folder
    QTest::addColumn<int>("reason");      // an errno value, or 0 for NotStarted
    QTest::newRow("missing") << u"%d/none"_qs << ENOENT;
    QTest::newRow("a bare name not on PATH") << u"trelvick-no-such-program"_qs << ENOENT;
    QTest::newRow("a folder") << u"%d/folder"_qs << EACCES;
    QTest::newRow("not executable") << u"%d/plain.sh"_qs << EACCES;
    QTest::newRow("below a file") << u"%d/plain.sh/x"_qs << ENOTDIR;
    QTest::newRow("script without its interpreter") << u"%d/orphan.sh"_qs << ENOENT;
    QTest::newRow("script whose interpreter cannot run") << u"%d/chained.sh"_qs << EACCES;
    QTest::newRow("executable of no known format") << u"%d/foreign"_qs << 0;
}

// QProcess gives only its own English text; both ways of starting give the errno the system gave.
void QtPlatformTest::programThatCannotStartGivesTheSystemsReason()
{
    QFETCH(QString, program);
    QFETCH(int, reason);
    const testsupport::TempFolder folder;
    QVERIFY(QDir().mkpath(folder.path(u"folder"_qs)));
    QVERIFY(folder.write(u"plain.sh"_qs, "#!/bin/sh\n", 0644));
    QVERIFY(folder.write(u"orphan.sh"_qs, "#!/no/such/interpreter -e\n", 0755));
    QVERIFY(folder.write(u"chained.sh"_qs, "#! " + folder.native(u"plain.sh"_qs) + "\targ\n", 0755));
    QVERIFY(folder.write(u"foreign"_qs,
                         QByteArray("\x7f"
                                    "ELF\x02\x01\x01") +
                             QByteArray(64, '\xff'),
                         0755));
    const QString path = program.replace(u"%d"_qs, folder.folder());
    const auto said = [](const base::Error& error) { return lang::errorText(error, lang::Language::English); };
    const QString expected =
        said(reason != 0 ? base::Error::system(reason) : base::Error::fault(base::Fault::NotStarted));

    QCOMPARE(said(whyNotStarted(path)), expected);
    QCOMPARE(said(startProgramDetached(path, u"x"_qs)), expected);
    // The C library runs an executable of no known format through the shell when it waits for it.
    if (reason != 0)
        QCOMPARE(said(runProgramAndWait(path, u"x"_qs)), expected);
}

void QtPlatformTest::endProgramKeepsTheStatus()
{
    QtPlatform real;
    QTimer::singleShot(0, [&] { real.endProgram(3); });
    QCOMPARE(QCoreApplication::exec(), 3);
    QCOMPARE(real.exitStatus(), 3);
}

QTEST_MAIN(QtPlatformTest)
#include "qtplatformtest.moc"
