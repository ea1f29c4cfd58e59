// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/mainwindow.h"
#include "scriptedplatform.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <memory>

namespace trelvick::testing {

inline const char* const kAllCommands[] = {"c3dInputDefine",  "c3dInputView",    "c3dInputEdit",  "c3dInputRename",
                                           "c3dInputDelete",  "c3dOutputDefine", "c3dOutputView", "c3dOutputEdit",
                                           "c3dOutputRename", "c3dOutputDelete", "c3dConvert",    "c3dExit",
                                           "c3dGreek",        "c3dEnglish",      "c3dInfo"};

// A program folder in a temporary directory, a tq.ini written there in windows-1253, a scripted
// platform and the real window on top of them.
struct WindowFixture : testsupport::TempFolder
{
    ScriptedPlatform platform;
    std::unique_ptr<app::MainWindow> window;

    WindowFixture()
    {
        for (const char* sub : {"prog", "work/in", "work/out"})
            QDir(folder()).mkpath(QString::fromLatin1(sub));
        platform.folder = programFolder();
        // The developer's own ~/.config/trelvick/tq.ini would win over the test's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder() + u"/config"_qs));
    }

    QString programFolder() const { return folder() + u"/prog"_qs; }
    QString personalFolder() const { return folder() + u"/config/trelvick"_qs; }
    QString workFolder() const { return folder() + u"/work"_qs; }
    QString work(const QString& name) const { return workFolder() + u'/' + name; }
    // The files chooseFiles() selects, each side in a folder of its own.
    QString inputFile() const { return work(u"in/in.txt"_qs); }
    QString outputFile() const { return work(u"out/out.txt"_qs); }

    // Lines joined with CR LF, encoded in windows-1253.
    void writeIni(const QStringList& lines, const QString& where = {})
    {
        const QString target = where.isEmpty() ? programFolder() : where;
        QDir().mkpath(target);
        write(target + u"/tq.ini"_qs, windows1253(lines.join(u"\r\n"_qs) + u"\r\n"_qs));
    }

    // Two converters: Μ1 maps a->b and 'A'->'A' (counts as changed); Μ2 is faulty.
    static QStringList standardIni(const QString& viewer = u"<none>"_qs, const QString& editor = u"<none>"_qs)
    {
        return QStringList{u"[Trelvick]"_qs, u"ΓρήγορηΠροβολή="_qs + viewer, u"Επεξεργασία="_qs + editor,
                           u"ΠλήθοςΜετατροπέων=2"_qs} +
               QStringList{u"[ΠεριγραφήΜετατροπέων]"_qs, u"Μ1=Πρώτος - First"_qs, u"Μ2=Faulty"_qs} +
               QStringList{u"[Μ1]"_qs, u"97=98"_qs, u"65=065"_qs} + QStringList{u"[Μ2]"_qs, u"66=1000"_qs};
    }

    // Writes the lines as tq.ini unless there are none, then runs the window's load step.
    bool start(const QStringList& ini = standardIni())
    {
        if (!ini.isEmpty())
            writeIni(ini);
        window = std::make_unique<app::MainWindow>(platform);
        return window->load();
    }

    template <typename T> T* find(const char* name) const { return window->findChild<T*>(QString::fromLatin1(name)); }
    app::PictureButton* button(const char* name) const { return find<app::PictureButton>(name); }
    bool available(const char* name) const { return button(name)->isAvailable(); }
    QString text(const char* name) const
    {
        if (auto* label = find<QLabel>(name))
            return label->text();
        return find<QLineEdit>(name)->text();
    }
    void click(const char* name) const { button(name)->click(); }

    // Chooses files in the input dialog and one file in the save-as dialog.
    void selectInput(const QStringList& names)
    {
        platform.openResults << ScriptedPlatform::chosen(names);
        click("c3dInputDefine");
    }
    void selectOutput(const QString& path)
    {
        platform.saveResults << ScriptedPlatform::chosen({path});
        click("c3dOutputDefine");
    }
    // Writes the input file, and the output file unless it is null, and chooses both.
    void chooseFiles(const QByteArray& input, const QByteArray& output = {})
    {
        write(inputFile(), input);
        if (!output.isNull())
            write(outputFile(), output);
        selectInput({inputFile()});
        selectOutput(outputFile());
    }
};

} // namespace trelvick::testing
