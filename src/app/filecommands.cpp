// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/filecommands.h"

#include "app/boxes.h"
#include "app/infoline.h"
#include "files/fileops.h"
#include "lang/errortext.h"

namespace trelvick::app {

using platform::Icon;

FileCommands::FileCommands(platform::Platform& platform, WindowState& state, WindowView& view, lang::Side side)
    : m_platform(platform), m_state(state), m_view(view), m_side(side)
{
}

void FileCommands::fail(FailureMessage failure, const base::Error& error)
{
    const lang::Language language = m_state.InterfaceLanguage;
    showFailure(m_platform, m_state, failure(language, lang::errorText(error, language)));
}

void FileCommands::refreshInputInfo(FailureMessage failure)
{
    if (m_side != lang::Side::Input)
        return;
    const base::Expected<files::FileStat> stat = files::statFile(m_state.InputFilePath);
    if (!stat)
        return fail(failure, stat.error());
    m_view.showStatusLine(inputInfoText(m_state.InterfaceLanguage, *stat));
}

void FileCommands::view()
{
    if (const base::Error failed = m_platform.startDetached(m_state.QuickViewCommand, m_state.side(m_side).filePath))
        fail(&lang::quickViewFailure, failed);
}

void FileCommands::edit()
{
    const QString path = m_state.side(m_side).filePath;
    showBox(m_platform, m_state, lang::editNotice(m_state.InterfaceLanguage, path), Icon::Information);
    if (const base::Error failed = m_platform.runAndWait(m_state.EditorCommand, path))
        return fail(&lang::editFailure, failed);
    // The editor may have changed the file's size and date.
    refreshInputInfo(&lang::editFailure);
}

void FileCommands::rename()
{
    const lang::Language language = m_state.InterfaceLanguage;
    const QString answer = m_platform.inputBox(
        {lang::renameTitle(language), lang::renamePrompt(language, m_side), lang::buttonTexts(language)});
    if (answer.isEmpty())
        return;
    WindowState::Side file = m_state.side(m_side);
    // The answer is taken exactly as typed; a taken name fails instead of replacing that file.
    const QString target = file.folder + answer;
    if (const base::Error renamed = files::renameNoReplace(file.filePath, target))
        return fail(&lang::renameFailure, renamed);
    file.filePath = target;
    // The new name shows even when the line cannot follow it.
    m_view.showState();
    refreshInputInfo(&lang::renameFailure);
}

void FileCommands::remove()
{
    WindowState::Side file = m_state.side(m_side);
    m_platform.beep();
    if (showBox(m_platform, m_state, lang::deleteQuestion(m_state.InterfaceLanguage, m_side, file.filePath),
                Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    if (const base::Error deleted = files::deleteFile(file.filePath))
        return fail(&lang::deleteFailure, deleted);
    file.defined = false;
    file.filePath.clear();
    file.folder.clear();
    if (m_side == lang::Side::Input)
        m_view.showStatusLine({});
}

} // namespace trelvick::app
