// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/availability.h"
#include "app/conversionrun.h"
#include "app/filecommands.h"
#include "app/layout.h"
#include "app/selection.h"
#include "app/windowstate.h"
#include "app/windowview.h"
#include "platform/platform.h"

#include <QWidget>

namespace trelvick::app {

// frmMainForm: the one window. Every command is a picture button whose handler runs to its end
// before the next event; every modal step goes through the Platform. The window holds the state,
// shows it, and hands each command to the object that does it.
class MainWindow final : public QWidget, private WindowView
{
public:
    explicit MainWindow(platform::Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load step: refuses a second instance, loads tq.ini and sets the starting state. False when
    // the program has been told to end (a message was shown); the window must then not be shown.
    bool load();

    const WindowState& state() const { return m_state; }

    // Runs a command as a click of its button does: nothing at all while it is unavailable.
    void press(Command command);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void execute(Command command);
    void switchLanguage(lang::Language language);
    void showHelp();

    void showProgress(int percentage) override;
    void showStatusLine(const QString& text) override;
    void showState() override;
    void ShowInputInfo() override;

    platform::Platform& m_platform;
    WindowState m_state;
    Controls m_ui;
    QStringList m_shownBatch; // what lstListOfFilenames holds
    FileSelection m_selection;
    FileCommands m_inputCommands;
    FileCommands m_outputCommands;
    ConversionRun m_run;
};

} // namespace trelvick::app
