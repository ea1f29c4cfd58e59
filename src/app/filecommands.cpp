// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "files/fileops.h"
#include "lang/errortext.h"

#include <QLabel>
#include <QLineEdit>

namespace trelvick::app {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// --- quick view and edit ----------------------------------------------------------------------

void MainWindow::viewFile(const FileSide& side)
{
    if (m_state.ended || !side.view->isAvailable())
        return;
    const platform::StartResult started = m_platform.startDetached(m_state.QuickViewCommand, *side.filePath);
    if (!started.ok) {
        m_platform.beep();
        box(lang::quickViewFailure(m_state.InterfaceLanguage, started.error), Icon::Exclamation);
    }
}

void MainWindow::editFile(const FileSide& side)
{
    if (m_state.ended || !side.edit->isAvailable())
        return;
    box(lang::editNotice(m_state.InterfaceLanguage, *side.filePath), Icon::Information);
    const platform::StartResult ran = m_platform.runAndWait(m_state.EditorCommand, *side.filePath);
    QString error = ran.error;
    // The editor may have changed the file's size and date.
    if (ran.ok && (!side.refreshesInfoLine || ShowInputInfo(&error)))
        return;
    m_platform.beep();
    box(lang::editFailure(m_state.InterfaceLanguage, error), Icon::Exclamation);
}

// --- rename -----------------------------------------------------------------------------------

void MainWindow::renameFile(const FileSide& side)
{
    if (m_state.ended || !side.rename->isAvailable())
        return;
    const QString answer = m_platform.inputBox({lang::renameTitle(m_state.InterfaceLanguage),
                                                lang::renamePrompt(m_state.InterfaceLanguage, side.which),
                                                lang::buttonTexts(m_state.InterfaceLanguage)});
    if (answer.isEmpty())
        return;
    // The answer is taken exactly as typed; a taken name fails instead of replacing that file.
    const QString target = *side.folder + answer;
    const base::Error renamed = files::renameNoReplace(*side.filePath, target);
    QString error = renamed ? lang::errorText(renamed, m_state.InterfaceLanguage) : QString();
    if (!renamed) {
        *side.filePath = target;
        side.path->setText(target);
        if (!side.refreshesInfoLine || ShowInputInfo(&error))
            return;
    }
    m_platform.beep();
    box(lang::renameFailure(m_state.InterfaceLanguage, error), Icon::Exclamation);
}

// --- delete -----------------------------------------------------------------------------------

void MainWindow::deleteFile(const FileSide& side)
{
    if (m_state.ended || !side.remove->isAvailable())
        return;
    m_platform.beep();
    if (box(lang::deleteQuestion(m_state.InterfaceLanguage, side.which, *side.filePath), Icon::Question,
            Buttons::YesNo) != Answer::Yes)
        return;
    if (const base::Error deleted = files::deleteFile(*side.filePath)) {
        m_platform.beep();
        box(lang::deleteFailure(m_state.InterfaceLanguage, lang::errorText(deleted, m_state.InterfaceLanguage)),
            Icon::Exclamation);
        return;
    }
    *side.defined = false;
    side.filePath->clear();
    side.folder->clear();
    setSideAvailability(side, false);
    side.path->clear();
    updateConvertAvailability();
    if (side.refreshesInfoLine)
        m_ui.lblPleaseWait->clear();
}

} // namespace trelvick::app
