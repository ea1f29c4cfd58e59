// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

#include <QPointer>
#include <memory>

class QLockFile;

namespace trelvick::platform {

// The real desktop: Qt's message boxes, file dialogs, input box, processes and help viewer.
class QtPlatform final : public Platform
{
public:
    // lockFolder: where the single-instance lock lies; empty for the user's runtime folder.
    explicit QtPlatform(QString lockFolder = {});
    ~QtPlatform() override;

    // Boxes and dialogs are modal to this window once it exists.
    void setMainWindow(QWidget* window) { m_window = window; }
    int exitStatus() const { return m_exitStatus; }

    QString programFolder() override;
    base::Expected<bool> anotherInstanceRunning() override;
    void setApplicationTitle(const QString& title) override;
    void beep() override;
    Answer messageBox(const MessageBoxRequest& request) override;
    FileDialogResult openFiles(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
    FileDialogResult chooseFolder(const FileDialogRequest& request) override;
    QString inputBox(const InputBoxRequest& request) override;
    void showHelp(const QString& path, lang::Language language) override;
    base::Error startDetached(const QString& program, const QString& argument) override;
    base::Error runAndWait(const QString& program, const QString& argument) override;
    void bringToFront(QWidget* window) override;
    void processEvents() override;
    void endProgram(int status) override;

private:
    QPointer<QWidget> m_window;
    QString m_lockFolder;
    std::unique_ptr<QLockFile> m_instanceLock;
    int m_exitStatus = 0;
};

} // namespace trelvick::platform
