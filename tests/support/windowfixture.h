#pragma once

#include "app/mainwindow.h"
#include "scriptedplatform.h"
#include "windowtest.h"

#include <QByteArray>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <memory>

namespace trelvick::testing {

// A program folder in a temporary directory, a tq.ini written there in windows-1253, a scripted
// platform and the real window on top of them.
struct WindowFixture
{
    QTemporaryDir dir;
    ScriptedPlatform platform;
    std::unique_ptr<app::MainWindow> window;

    WindowFixture()
    {
        QDir(dir.path()).mkpath(QStringLiteral("prog"));
        QDir(dir.path()).mkpath(QStringLiteral("work"));
        platform.folder = programFolder();
        // The developer's own ~/.config/trelvick/tq.ini would win over the test's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    }

    QString programFolder() const { return dir.path() + QStringLiteral("/prog"); }
    QString personalFolder() const { return dir.path() + QStringLiteral("/config/trelvick"); }
    QString workFolder() const { return dir.path() + QStringLiteral("/work"); }
    QString work(const QString& name) const { return workFolder() + u'/' + name; }

    static QByteArray cp1253(const QString& text) { return QStringEncoder("windows-1253")(text); }

    static bool writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    static QByteArray readBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Lines joined with CR LF, encoded in windows-1253.
    void writeIni(const QStringList& lines, const QString& folder = {})
    {
        const QString target = folder.isEmpty() ? programFolder() : folder;
        QDir().mkpath(target);
        writeBytes(target + QStringLiteral("/tq.ini"), cp1253(lines.join(QStringLiteral("\r\n")) + "\r\n"));
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
