// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/boxes.h"
#include "app/infoline.h"
#include "app/startup.h"
#include "files/fileops.h"
#include "files/paths.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace trelvick::app {

using lang::Language;

namespace {

void setTextIfChanged(QLineEdit* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}

} // namespace

MainWindow::MainWindow(platform::Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform),
      m_selection(platform, m_state, *this, *this, [this](Command command) { press(command); }),
      m_inputCommands(platform, m_state, *this, lang::Side::Input),
      m_outputCommands(platform, m_state, *this, lang::Side::Output), m_run(platform, m_state, *this)
{
    setObjectName(u"frmMainForm"_qs);
    m_ui = buildControls(this);
    for (std::size_t i = 0; i < kCommandCount; ++i)
        connect(m_ui.buttons[i], &QToolButton::clicked, this, [this, i] { press(Command(i)); });
    showState();
}

MainWindow::~MainWindow() = default;

bool MainWindow::load()
{
    if (!StartUp(m_platform, m_state, *this).run())
        return false;
    // The keys' list is never shown: it stands beside the descriptions for whoever looks for it by name.
    for (const config::Converter& converter : m_state.ConverterList) {
        m_ui.cboConverterSelection->addItem(converter.description);
        m_ui.lstConverterSelection->addItem(converter.key);
    }
    m_ui.cboConverterSelection->setCurrentIndex(0);
    m_state.started = true;
    showState();
    showPanels(this);
    showProgress(0);
    centreProgressText(m_ui);
    press(Command::Greek);
    return !m_state.ended;
}

// The one availability test of every command, a press from code included; afterwards the window
// shows whatever the command changed.
void MainWindow::press(Command command)
{
    if (!availability(m_state)[command])
        return;
    execute(command);
    showState();
}

void MainWindow::execute(Command command)
{
    switch (command) {
    case Command::InputDefine:
        return m_selection.selectInput();
    case Command::OutputDefine:
        return m_selection.selectOutput();
    case Command::InputView:
        return m_inputCommands.view();
    case Command::InputEdit:
        return m_inputCommands.edit();
    case Command::InputRename:
        return m_inputCommands.rename();
    case Command::InputDelete:
        return m_inputCommands.remove();
    case Command::OutputView:
        return m_outputCommands.view();
    case Command::OutputEdit:
        return m_outputCommands.edit();
    case Command::OutputRename:
        return m_outputCommands.rename();
    case Command::OutputDelete:
        return m_outputCommands.remove();
    case Command::Convert:
        return m_run.run(m_ui.cboConverterSelection->currentIndex());
    case Command::Exit:
        return endProgram(m_platform, m_state, 0);
    case Command::Greek:
        return switchLanguage(Language::Greek);
    case Command::English:
        return switchLanguage(Language::English);
    case Command::Info:
        return showHelp();
    }
}

void MainWindow::showState()
{
    const Availability now = availability(m_state);
    for (std::size_t i = 0; i < kCommandCount; ++i)
        m_ui.buttons[i]->setAvailable(now.commands[i]);
    m_ui.cboConverterSelection->setEnabled(now.converterChoice);
    setTextIfChanged(m_ui.txtInputFullPathName, m_state.InputFilePath);
    setTextIfChanged(m_ui.txtOutputFullPathName, m_state.OutputFilePath);
    // Never shown: the batch stands there for whoever looks for it by name. Compared with the copy
    // last shown, which shares its data until the state's list changes: a batch of thousands of
    // files is not compared name by name twice a file.
    if (m_shownBatch != m_state.ListOfFilenames) {
        m_shownBatch = m_state.ListOfFilenames;
        m_ui.lstListOfFilenames->clear();
        m_ui.lstListOfFilenames->addItems(m_shownBatch);
    }
}

void MainWindow::showProgress(int percentage)
{
    m_ui.p3dProgress->setPercentage(percentage);
    m_ui.txtProgress->setText(QString::number(percentage) + u'%');
}

void MainWindow::showStatusLine(const QString& text)
{
    m_ui.lblPleaseWait->setText(text);
}

void MainWindow::ShowInputInfo()
{
    if (!m_state.InputFileDefined)
        return;
    if (const base::Expected<files::FileStat> stat = files::statFile(m_state.InputFilePath))
        showStatusLine(inputInfoText(m_state.InterfaceLanguage, *stat));
}

void MainWindow::switchLanguage(Language language)
{
    m_state.InterfaceLanguage = language;
    setWindowTitle(lang::windowTitle());
    m_platform.setApplicationTitle(lang::windowTitle());
    applyCaptions(this, language);
    // An input file that vanished behind the program's back keeps its old line; the switch goes on.
    ShowInputInfo();
    m_state.HelpFilePath = helpFilePath(m_state.programFolder, language);
}

void MainWindow::showHelp()
{
    // The upper-case path names a file spelt in lower case on disk.
    const QString real = files::resolveInFolder(m_state.programFolder, lang::helpFileName(m_state.InterfaceLanguage));
    m_platform.showHelp(QFileInfo::exists(real) ? real : m_state.HelpFilePath, m_state.InterfaceLanguage);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_state.ConversionRunning) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_state.ended)
        endProgram(m_platform, m_state, 0);
}

} // namespace trelvick::app
