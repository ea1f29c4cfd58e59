// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/widgets.h"
#include "app/windowstate.h"
#include "platform/platform.h"

#include <QWidget>
#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace trelvick::app {

// frmMainForm: the one window. Every command is a picture button whose handler runs to its end
// before the next event; every modal step goes through the Platform.
class MainWindow final : public QWidget
{
public:
    explicit MainWindow(platform::Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load step: refuses a second instance, loads tq.ini and sets the starting state. False when
    // the program has been told to end (a message was shown); the window must then not be shown.
    bool load();

    const WindowState& state() const { return m_state; }

    // Button handlers, also pressed from code.
    void onInputDefine();
    void onOutputDefine();
    void onConvert();
    void onExit();
    void onGreek();
    void onEnglish();
    void onInfo();

    // Writes the input file's size and date into the information line. False, with the system's
    // text in *error and the line untouched, when the file cannot be read.
    bool ShowInputInfo(QString* error = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Controls
    {
        Frame3D* f3dInputFile = nullptr;
        PictureButton* c3dInputDefine = nullptr;
        PictureButton* c3dInputView = nullptr;
        PictureButton* c3dInputEdit = nullptr;
        PictureButton* c3dInputRename = nullptr;
        PictureButton* c3dInputDelete = nullptr;
        Frame3D* f3dLanguage = nullptr;
        PictureButton* c3dGreek = nullptr;
        PictureButton* c3dEnglish = nullptr;
        Panel3D* p3dInputFullPathName = nullptr;
        QLineEdit* txtInputFullPathName = nullptr;
        Frame3D* f3dOutputFile = nullptr;
        PictureButton* c3dOutputDefine = nullptr;
        PictureButton* c3dOutputView = nullptr;
        PictureButton* c3dOutputEdit = nullptr;
        PictureButton* c3dOutputRename = nullptr;
        PictureButton* c3dOutputDelete = nullptr;
        Frame3D* f3dConvertExit = nullptr;
        PictureButton* c3dConvert = nullptr;
        PictureButton* c3dExit = nullptr;
        Panel3D* p3dOutputFullPathName = nullptr;
        QLineEdit* txtOutputFullPathName = nullptr;
        Panel3D* p3dConverter = nullptr;
        QLabel* lblConverter = nullptr;
        QListWidget* lstConverterSelection = nullptr;
        Panel3D* p3dConverterSelection = nullptr;
        QComboBox* cboConverterSelection = nullptr;
        Panel3D* p3dPleaseWait = nullptr;
        QLabel* lblPleaseWait = nullptr;
        PictureButton* c3dInfo = nullptr;
        QListWidget* lstListOfFilenames = nullptr;
        ProgressPanel* p3dProgress = nullptr;
        QLineEdit* txtProgress = nullptr;
        QLabel* lblCopyright = nullptr;
    };

    // One frame of the window: the file it holds, where it shows it and the commands on it. The
    // file commands exist once and take the side they work on.
    struct FileSide
    {
        lang::Side which;
        PictureButton* define;
        PictureButton* view;
        PictureButton* edit;
        PictureButton* rename;
        PictureButton* remove;
        QLineEdit* path;
        QString* filePath;
        QString* folder;
        bool* defined;
        bool refreshesInfoLine; // the information line describes the input file only
    };

    void buildControls();
    PictureButton* addButton(QWidget* container, const char* name, const QString& picture, QRect geometry);

    // Start-up
    void showStartupStop(const QString& text);
    void applyStartupFailure(const QString& error);

    // Language
    void switchLanguage(lang::Language language);
    QString helpFilePathFor(lang::Language language) const;

    // Selection
    struct Selection
    {
        platform::FileDialogResult::Outcome outcome;
        QStringList names;
        QString error;
    };
    Selection SelectFiles(const QString& folder, const QString& title, const QString& filter);
    bool offerMultipleFileConversion(const QStringList& names);
    // A side holding a file offers its commands, view and edit only where tq.ini names a program;
    // an empty side offers Select alone.
    void setSideAvailability(const FileSide& side, bool holdsFile);
    void updateConvertAvailability();

    // File commands
    void viewFile(const FileSide& side);
    void editFile(const FileSide& side);
    void renameFile(const FileSide& side);
    void deleteFile(const FileSide& side);

    // Conversion
    void setProgress(int percentage);
    void failConversion(const QString& error);
    void setCommandsAvailable(bool available);

    // Small helpers for the platform's boxes.
    platform::Answer box(const lang::Message& message, platform::Icon icon,
                         platform::Buttons buttons = platform::Buttons::Ok);
    void endProgram(int status);

    platform::Platform& m_platform;
    WindowState m_state;
    Controls m_ui;
    FileSide m_input{};
    FileSide m_output{};
};

} // namespace trelvick::app
