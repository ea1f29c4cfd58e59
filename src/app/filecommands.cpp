#include "app/mainwindow.h"

#include "files/fileops.h"

#include <QLabel>
#include <QLineEdit>

namespace trelvick::app {

using lang::Side;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

// --- quick view and edit ----------------------------------------------------------------------

void MainWindow::onInputView()
{
    if (m_state.ended || !m_ui.c3dInputView->isAvailable())
        return;
    const platform::StartResult started = m_platform.startDetached(m_state.QuickViewCommand, m_state.InputFilePath);
    if (!started.ok) {
        m_platform.beep();
        box(lang::quickViewFailure(m_state.InterfaceLanguage, files::upperError(started.error)), Icon::Exclamation);
    }
}

void MainWindow::onOutputView()
{
    if (m_state.ended || !m_ui.c3dOutputView->isAvailable())
        return;
    const platform::StartResult started = m_platform.startDetached(m_state.QuickViewCommand, m_state.OutputFilePath);
    if (!started.ok) {
        m_platform.beep();
        box(lang::quickViewFailure(m_state.InterfaceLanguage, files::upperError(started.error)), Icon::Exclamation);
    }
}

void MainWindow::onInputEdit()
{
    if (m_state.ended || !m_ui.c3dInputEdit->isAvailable())
        return;
    box(lang::editNotice(m_state.InterfaceLanguage, m_state.InputFilePath), Icon::Information);
    const platform::StartResult ran = m_platform.runAndWait(m_state.EditorCommand, m_state.InputFilePath);
    QString error = ran.error;
    // The editor may have changed the file's size and date.
    if (ran.ok && ShowInputInfo(&error))
        return;
    m_platform.beep();
    box(lang::editFailure(m_state.InterfaceLanguage, files::upperError(error)), Icon::Exclamation);
}

void MainWindow::onOutputEdit()
{
    if (m_state.ended || !m_ui.c3dOutputEdit->isAvailable())
        return;
    box(lang::editNotice(m_state.InterfaceLanguage, m_state.OutputFilePath), Icon::Information);
    const platform::StartResult ran = m_platform.runAndWait(m_state.EditorCommand, m_state.OutputFilePath);
    if (ran.ok)
        return;
    m_platform.beep();
    box(lang::editFailure(m_state.InterfaceLanguage, files::upperError(ran.error)), Icon::Exclamation);
}

// --- rename -----------------------------------------------------------------------------------

void MainWindow::onInputRename()
{
    if (m_state.ended || !m_ui.c3dInputRename->isAvailable())
        return;
    const QString answer = m_platform.inputBox({lang::renameTitle(m_state.InterfaceLanguage),
                                                lang::renamePrompt(m_state.InterfaceLanguage, Side::Input),
                                                lang::buttonTexts(m_state.InterfaceLanguage)});
    if (answer.isEmpty())
        return;
    // The answer is taken exactly as typed; a taken name fails instead of replacing that file.
    const QString target = m_state.InputFolder + answer;
    QString error;
    if (files::renameNoReplace(m_state.InputFilePath, target, &error)) {
        m_state.InputFilePath = target;
        m_ui.txtInputFullPathName->setText(target);
        if (ShowInputInfo(&error))
            return;
    }
    m_platform.beep();
    box(lang::renameFailure(m_state.InterfaceLanguage, files::upperError(error)), Icon::Exclamation);
}

void MainWindow::onOutputRename()
{
    if (m_state.ended || !m_ui.c3dOutputRename->isAvailable())
        return;
    const QString answer = m_platform.inputBox({lang::renameTitle(m_state.InterfaceLanguage),
                                                lang::renamePrompt(m_state.InterfaceLanguage, Side::Output),
                                                lang::buttonTexts(m_state.InterfaceLanguage)});
    if (answer.isEmpty())
        return;
    const QString target = m_state.OutputFolder + answer;
    QString error;
    if (files::renameNoReplace(m_state.OutputFilePath, target, &error)) {
        m_state.OutputFilePath = target;
        m_ui.txtOutputFullPathName->setText(target);
        return;
    }
    m_platform.beep();
    box(lang::renameFailure(m_state.InterfaceLanguage, files::upperError(error)), Icon::Exclamation);
}

// --- delete -----------------------------------------------------------------------------------

void MainWindow::onInputDelete()
{
    if (m_state.ended || !m_ui.c3dInputDelete->isAvailable())
        return;
    m_platform.beep();
    if (box(lang::deleteQuestion(m_state.InterfaceLanguage, Side::Input, m_state.InputFilePath), Icon::Question,
            Buttons::YesNo) != Answer::Yes)
        return;
    QString error;
    if (!files::deleteFile(m_state.InputFilePath, &error)) {
        m_platform.beep();
        box(lang::deleteFailure(m_state.InterfaceLanguage, files::upperError(error)), Icon::Exclamation);
        return;
    }
    m_state.InputFileDefined = false;
    m_state.InputFilePath.clear();
    m_state.InputFolder.clear();
    m_ui.c3dInputDefine->setAvailable(true);
    for (PictureButton* button : {m_ui.c3dInputView, m_ui.c3dInputEdit, m_ui.c3dInputRename, m_ui.c3dInputDelete})
        button->setAvailable(false);
    m_ui.txtInputFullPathName->clear();
    m_ui.c3dConvert->setAvailable(false);
    m_ui.lblPleaseWait->clear();
}

void MainWindow::onOutputDelete()
{
    if (m_state.ended || !m_ui.c3dOutputDelete->isAvailable())
        return;
    m_platform.beep();
    if (box(lang::deleteQuestion(m_state.InterfaceLanguage, Side::Output, m_state.OutputFilePath), Icon::Question,
            Buttons::YesNo) != Answer::Yes)
        return;
    QString error;
    if (!files::deleteFile(m_state.OutputFilePath, &error)) {
        m_platform.beep();
        box(lang::deleteFailure(m_state.InterfaceLanguage, files::upperError(error)), Icon::Exclamation);
        return;
    }
    m_state.OutputFileDefined = false;
    m_state.OutputFilePath.clear();
    m_state.OutputFolder.clear();
    m_ui.c3dOutputDefine->setAvailable(true);
    for (PictureButton* button :
         {m_ui.c3dOutputView, m_ui.c3dOutputEdit, m_ui.c3dOutputRename, m_ui.c3dOutputDelete})
        button->setAvailable(false);
    m_ui.txtOutputFullPathName->clear();
    m_ui.c3dConvert->setAvailable(false);
}

} // namespace trelvick::app
