// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/mainwindow.h"
#include "scriptedplatform.h"
#include "testsupport.h"
#include "windowtest.h"

#include <QByteArray>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <memory>

namespace trelvick::testing {

inline const char* const kAllCommands[] = {
    "c3dInputDefine",  "c3dInputView",    "c3dInputEdit",  "c3dInputRename", "c3dInputDelete",
    "c3dOutputDefine", "c3dOutputView",   "c3dOutputEdit", "c3dOutputRename", "c3dOutputDelete",
    "c3dConvert",      "c3dExit",         "c3dGreek",      "c3dEnglish",     "c3dInfo"};

// A program folder in a temporary directory, a tq.ini written there in windows-1253, a scripted
// platform and the real window on top of them.
struct WindowFixture : testsupport::TempFolder
{
    ScriptedPlatform platform;
    std::unique_ptr<app::MainWindow> window;

    WindowFixture()
    {
        QDir(folder()).mkpath(QStringLiteral("prog"));
        QDir(folder()).mkpath(QStringLiteral("work"));
        platform.folder = programFolder();
        // The developer's own ~/.config/trelvick/tq.ini would win over the test's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder() + QStringLiteral("/config")));
    }

    QString programFolder() const { return folder() + QStringLiteral("/prog"); }
    QString personalFolder() const { return folder() + QStringLiteral("/config/trelvick"); }
    QString workFolder() const { return folder() + QStringLiteral("/work"); }
    QString work(const QString& name) const { return workFolder() + u'/' + name; }

    // Lines joined with CR LF, encoded in windows-1253.
    void writeIni(const QStringList& lines, const QString& where = {})
    {
        const QString target = where.isEmpty() ? programFolder() : where;
        QDir().mkpath(target);
        write(target + QStringLiteral("/tq.ini"), windows1253(lines.join(QStringLiteral("\r\n")) + "\r\n"));
    }

    // Two converters: Μ1 maps a->b and 'A'->'A' (counts as changed); Μ2 is faulty.
    static QStringList standardIni(const QString& viewer = QStringLiteral("<none>"),
                                   const QString& editor = QStringLiteral("<none>"))
    {
        return {QStringLiteral("[Trelvick]"),
                QStringLiteral("ΓρήγορηΠροβολή=") + viewer,
                QStringLiteral("Επεξεργασία=") + editor,
                QStringLiteral("ΠλήθοςΜετατροπέων=2"),
                QStringLiteral("[ΠεριγραφήΜετατροπέων]"),
                QStringLiteral("Μ1=Πρώτος - First"),
                QStringLiteral("Μ2=Faulty"),
                QStringLiteral("[Μ1]"),
                QStringLiteral("97=98"),
                QStringLiteral("65=065"),
                QStringLiteral("[Μ2]"),
                QStringLiteral("66=1000")};
    }

    bool start()
    {
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
};

} // namespace trelvick::testing
