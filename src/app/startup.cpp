// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "app/boxes.h"
#include "files/paths.h"
#include "lang/errortext.h"

#include <QWidget>

namespace trelvick::app {

using platform::Icon;

StartUp::StartUp(platform::Platform& platform, WindowState& state, QWidget& window)
    : m_platform(platform), m_state(state), m_window(window)
{
}

bool StartUp::run()
{
    refuseSecondInstance();
    if (m_state.ended)
        return false;
    m_state = WindowState{};
    const QString folder = m_platform.programFolder();
    m_state.programFolder = files::AddSeparator(folder);
    m_state.HelpFilePath = helpFilePath(m_state.programFolder, lang::Language::Greek);
    loadConfiguration(folder);
    return !m_state.ended;
}

void StartUp::stop(const QString& text, Icon icon, int status)
{
    m_platform.beep();
    m_platform.messageBox({lang::startupTitle(), text, icon, platform::Buttons::Ok, lang::bilingualButtonTexts()});
    endProgram(m_platform, m_state, status);
}

// First of all, so that a second copy says so even when tq.ini is missing or faulty.
void StartUp::refuseSecondInstance()
{
    const base::Expected<bool> another = m_platform.anotherInstanceRunning();
    if (!another)
        // Before tq.ini is looked at: the message names no file yet.
        return stop(lang::startupFailureText(lang::errorText(another.error(), m_state.InterfaceLanguage), {}),
                    Icon::Stop, 1);
    if (!*another)
        return;
    m_platform.setApplicationTitle(lang::duplicateInstanceTitle());
    m_window.setWindowTitle(lang::duplicateInstanceTitle());
    stop(lang::secondInstanceText(), Icon::Information, 0);
}

void StartUp::loadConfiguration(const QString& programFolder)
{
    const config::ConfigLocation location = config::locateConfiguration(programFolder, config::personalConfigFolder());
    m_state.ConfigFilePath = location.configFilePath;
    const QString& path = m_state.ConfigFilePath;
    const base::Expected<config::Configuration> loaded = config::loadConfiguration(location);
    if (!loaded) {
        switch (config::startupMessage(loaded.error())) {
        case config::StartupMessage::MissingFile:
            return stop(lang::missingConfigText(path), Icon::Stop, 1);
        case config::StartupMessage::MissingCount:
            return stop(lang::missingCountText(path), Icon::Stop, 1);
        case config::StartupMessage::BadCount:
            return stop(lang::wrongCountText(path), Icon::Stop, 1);
        case config::StartupMessage::NoConverter:
            return stop(lang::noConverterText(path), Icon::Stop, 1);
        case config::StartupMessage::Failure:
            // One description for both languages of the box, as the system gives it.
            return stop(lang::startupFailureText(lang::errorText(loaded.error(), lang::Language::English), path),
                        Icon::Stop, 1);
        }
    }
    const config::Configuration& config = *loaded;
    m_state.configFile = config.configFile;
    m_state.QuickViewAvailable = config.quickViewAvailable;
    m_state.QuickViewCommand = config.quickViewAvailable ? config.quickViewCommand : QString();
    m_state.EditorAvailable = config.editorAvailable;
    m_state.EditorCommand = config.editorAvailable ? config.editorCommand : QString();
    m_state.ConverterList = config.converters;
}

} // namespace trelvick::app
