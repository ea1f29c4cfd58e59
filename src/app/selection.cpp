// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "files/paths.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace trelvick::app {

using platform::FileDialogResult;

namespace {
// Where the dialogs open before anything is chosen: the root of the program's file system.
const QString kRootFolder = u"/"_qs;
} // namespace

MainWindow::Selection MainWindow::SelectFiles(const QString& folder, const QString& title, const QString& filter)
{
    const FileDialogResult result = m_platform.openFiles({title, filter, folder, {}, m_state.InterfaceLanguage});
    m_platform.bringToFront(this);
    return {result.outcome, result.names, result.error};
}

void MainWindow::onInputDefine()
{
    if (m_state.ended || !m_ui.c3dInputDefine->isAvailable())
        return;
    for (;;) {
        const QString title = lang::inputDialogTitle(m_state.InterfaceLanguage);
        const QString filter = lang::fileFilter(m_state.InterfaceLanguage);
        QString folder = kRootFolder;
        if (m_state.OutputFileDefined)
            folder = m_state.OutputFolder;
        if (m_state.InputFileDefined)
            folder = m_state.InputFolder;

        const Selection selection = SelectFiles(folder, title, filter);
        if (selection.outcome == FileDialogResult::Failed) {
            m_platform.beep();
            box(lang::inputDialogFailure(m_state.InterfaceLanguage, selection.error), platform::Icon::Exclamation);
            endProgram(1);
            return;
        }
        if (selection.outcome == FileDialogResult::Cancelled || selection.names.isEmpty()) {
            m_ui.lstListOfFilenames->clear();
            break;
        }
        if (selection.names.size() == 1) {
            m_ui.lstListOfFilenames->clear();
            m_state.InputFilePath = selection.names.front();
            m_state.InputFolder = files::GetFolder(m_state.InputFilePath);
            m_ui.txtInputFullPathName->setText(m_state.InputFilePath);
            m_state.InputFileDefined = true;
            setSideAvailability(m_input, true);
            // A file that cannot be read just keeps the old line; the selection stands.
            ShowInputInfo();
            break;
        }
        if (offerMultipleFileConversion(selection.names)) {
            if (m_state.ended)
                return;
            break;
        }
        // Declined: the same dialog again.
    }
    updateConvertAvailability();
}

void MainWindow::setSideAvailability(const FileSide& side, bool holdsFile)
{
    side.define->setAvailable(true);
    side.view->setAvailable(holdsFile && m_state.QuickViewAvailable);
    side.edit->setAvailable(holdsFile && m_state.EditorAvailable);
    side.rename->setAvailable(holdsFile);
    side.remove->setAvailable(holdsFile);
}

void MainWindow::updateConvertAvailability()
{
    m_ui.c3dConvert->setAvailable(m_state.InputFileDefined && m_state.OutputFileDefined);
}

void MainWindow::onOutputDefine()
{
    if (m_state.ended || !m_ui.c3dOutputDefine->isAvailable())
        return;
    const QString title = lang::outputDialogTitle(m_state.InterfaceLanguage);
    const QString filter = lang::fileFilter(m_state.InterfaceLanguage);
    QString folder = kRootFolder;
    QString name;
    if (m_state.InputFileDefined)
        folder = m_state.InputFolder;
    if (m_state.OutputFileDefined) {
        folder = m_state.OutputFolder;
        name = m_state.OutputFilePath;
    }

    const FileDialogResult result = m_platform.saveFile({title, filter, folder, name, m_state.InterfaceLanguage});
    m_platform.bringToFront(this);
    if (result.outcome == FileDialogResult::Failed)
        return;
    if (result.outcome == FileDialogResult::Chosen && !result.names.isEmpty() && !result.names.front().isEmpty()) {
        const QString previous = m_state.OutputFilePath;
        m_state.OutputFilePath = result.names.front();
        m_state.OutputFolder = files::GetFolder(m_state.OutputFilePath);
        m_ui.txtOutputFullPathName->setText(m_state.OutputFilePath);
        m_state.OutputFileDefined = true;
        if (m_state.OutputFilePath != previous)
            m_state.OutputFileChanged = true;
    }

    setSideAvailability(m_output, !m_state.OutputFilePath.isEmpty());
    updateConvertAvailability();
}

bool MainWindow::offerMultipleFileConversion(const QStringList& names)
{
    const QString folder = files::CutAtSeparator(names.front());
    const lang::Message question = lang::batchQuestion(m_state.InterfaceLanguage, names.size(), folder);
    if (box(question, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return false;

    m_ui.lstListOfFilenames->clear();
    m_ui.lstListOfFilenames->addItems(names);
    m_ui.c3dConvert->setAvailable(true);
    onConvert();
    if (m_state.ended)
        return true;
    onExit();
    return true;
}

} // namespace trelvick::app
