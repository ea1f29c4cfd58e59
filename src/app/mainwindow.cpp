// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "config/configuration.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "lang/errortext.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>

namespace trelvick::app {

using lang::Language;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, background);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setNormalWeight(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(false);
    widget->setFont(font);
}

// The locale's long time format carries the seconds in the locale's own style ("H.mm.ss",
// "HH 'h' mm 'min' ss 's'"); its time zone, which the short format never showed, is left out
// together with the blanks that set it apart.
QString timeFormatWithSeconds(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    bool dropFollowingBlanks = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (!kept.isEmpty() && kept.back().isSpace())
                kept.chop(1);
            dropFollowingBlanks = kept.isEmpty();
            continue;
        }
        if (dropFollowingBlanks && c.isSpace())
            continue;
        dropFollowingBlanks = false;
        kept += c;
    }
    return kept;
}

QLineEdit* displayBox(QWidget* parent, const char* name, QRect geometry)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setFrame(false);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

} // namespace

MainWindow::MainWindow(platform::Platform& platform, QWidget* parent) : QWidget(parent), m_platform(platform)
{
    setObjectName(u"frmMainForm"_qs);
    buildControls();
}

MainWindow::~MainWindow() = default;

PictureButton* MainWindow::addButton(QWidget* container, const char* name, const QString& picture, QRect geometry)
{
    auto* button = new PictureButton(container, u":/icons/"_qs + picture + u".png"_qs);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

void MainWindow::buildControls()
{
    setFixedSize(px(7932), px(6252));
    QFont font(u"DejaVu Sans"_qs);
    font.setPointSizeF(7.8);
    font.setBold(true);
    setFont(font);
    setColours(this, QColor(192, 192, 192), Qt::black);

    auto& ui = m_ui;
    const QRect buttonAt1 = twipsRect(360, 360, 732, 732);
    auto buttonRow = [](int column) { return twipsRect(360 + 960 * column, 360, 732, 732); };

    ui.f3dInputFile = new Frame3D(this);
    ui.f3dInputFile->setObjectName(u"f3dInputFile"_qs);
    ui.f3dInputFile->setGeometry(twipsRect(120, 120, 5292, 1332));
    ui.c3dInputDefine = addButton(ui.f3dInputFile, "c3dInputDefine", u"select"_qs, buttonAt1);
    ui.c3dInputView = addButton(ui.f3dInputFile, "c3dInputView", u"view"_qs, buttonRow(1));
    ui.c3dInputEdit = addButton(ui.f3dInputFile, "c3dInputEdit", u"edit"_qs, buttonRow(2));
    ui.c3dInputRename = addButton(ui.f3dInputFile, "c3dInputRename", u"rename"_qs, buttonRow(3));
    ui.c3dInputDelete = addButton(ui.f3dInputFile, "c3dInputDelete", u"delete"_qs, buttonRow(4));

    ui.f3dLanguage = new Frame3D(this);
    ui.f3dLanguage->setObjectName(u"f3dLanguage"_qs);
    ui.f3dLanguage->setGeometry(twipsRect(5640, 120, 2172, 1332));
    ui.c3dGreek = addButton(ui.f3dLanguage, "c3dGreek", u"greek"_qs, twipsRect(240, 360, 732, 732));
    ui.c3dEnglish = addButton(ui.f3dLanguage, "c3dEnglish", u"english"_qs, twipsRect(1200, 360, 732, 732));

    ui.p3dInputFullPathName = new Panel3D(this);
    ui.p3dInputFullPathName->setObjectName(u"p3dInputFullPathName"_qs);
    ui.p3dInputFullPathName->setGeometry(twipsRect(120, 1560, 7692, 384));
    ui.txtInputFullPathName = displayBox(ui.p3dInputFullPathName, "txtInputFullPathName", twipsRect(48, 48, 7596, 288));

    ui.f3dOutputFile = new Frame3D(this);
    ui.f3dOutputFile->setObjectName(u"f3dOutputFile"_qs);
    ui.f3dOutputFile->setGeometry(twipsRect(120, 2040, 5292, 1332));
    ui.c3dOutputDefine = addButton(ui.f3dOutputFile, "c3dOutputDefine", u"select"_qs, buttonAt1);
    ui.c3dOutputView = addButton(ui.f3dOutputFile, "c3dOutputView", u"view"_qs, buttonRow(1));
    ui.c3dOutputEdit = addButton(ui.f3dOutputFile, "c3dOutputEdit", u"edit"_qs, buttonRow(2));
    ui.c3dOutputRename = addButton(ui.f3dOutputFile, "c3dOutputRename", u"rename"_qs, buttonRow(3));
    ui.c3dOutputDelete = addButton(ui.f3dOutputFile, "c3dOutputDelete", u"delete"_qs, buttonRow(4));

    ui.f3dConvertExit = new Frame3D(this);
    ui.f3dConvertExit->setObjectName(u"f3dConvertExit"_qs);
    ui.f3dConvertExit->setGeometry(twipsRect(5640, 2040, 2172, 1332));
    ui.c3dConvert = addButton(ui.f3dConvertExit, "c3dConvert", u"convert"_qs, twipsRect(240, 360, 732, 732));
    ui.c3dExit = addButton(ui.f3dConvertExit, "c3dExit", u"exit"_qs, twipsRect(1200, 360, 732, 732));

    ui.p3dOutputFullPathName = new Panel3D(this);
    ui.p3dOutputFullPathName->setObjectName(u"p3dOutputFullPathName"_qs);
    ui.p3dOutputFullPathName->setGeometry(twipsRect(120, 3480, 7692, 384));
    ui.txtOutputFullPathName =
        displayBox(ui.p3dOutputFullPathName, "txtOutputFullPathName", twipsRect(48, 48, 7596, 288));

    for (QLineEdit* path : {ui.txtInputFullPathName, ui.txtOutputFullPathName}) {
        setColours(path, QColor(192, 255, 255), Qt::black);
        setNormalWeight(path);
    }

    ui.p3dConverter = new Panel3D(this);
    ui.p3dConverter->setObjectName(u"p3dConverter"_qs);
    ui.p3dConverter->setGeometry(twipsRect(120, 3960, 3612, 372));
    ui.lblConverter = new QLabel(ui.p3dConverter);
    ui.lblConverter->setObjectName(u"lblConverter"_qs);
    ui.lblConverter->setGeometry(twipsRect(48, 48, 3516, 276));
    setColours(ui.lblConverter, QColor(255, 255, 192), QColor(192, 0, 0));

    ui.lstConverterSelection = new QListWidget(this);
    ui.lstConverterSelection->setObjectName(u"lstConverterSelection"_qs);
    ui.lstConverterSelection->setGeometry(twipsRect(3840, 3960, 3492, 216));

    ui.p3dConverterSelection = new Panel3D(this);
    ui.p3dConverterSelection->setObjectName(u"p3dConverterSelection"_qs);
    ui.p3dConverterSelection->setGeometry(twipsRect(120, 4320, 7692, 384));
    ui.cboConverterSelection = new QComboBox(ui.p3dConverterSelection);
    ui.cboConverterSelection->setObjectName(u"cboConverterSelection"_qs);
    ui.cboConverterSelection->setGeometry(twipsRect(48, 48, 7596, 288));
    setColours(ui.cboConverterSelection, Qt::white, Qt::black);

    ui.p3dPleaseWait = new Panel3D(this);
    ui.p3dPleaseWait->setObjectName(u"p3dPleaseWait"_qs);
    ui.p3dPleaseWait->setGeometry(twipsRect(120, 4800, 6852, 372));
    ui.lblPleaseWait = new QLabel(ui.p3dPleaseWait);
    ui.lblPleaseWait->setObjectName(u"lblPleaseWait"_qs);
    ui.lblPleaseWait->setGeometry(twipsRect(48, 48, 6756, 276));
    setColours(ui.lblPleaseWait, QColor(255, 0, 0), Qt::black);
    setNormalWeight(ui.lblPleaseWait);

    ui.c3dInfo = addButton(this, "c3dInfo", u"info"_qs, twipsRect(7080, 4920, 732, 732));

    ui.lstListOfFilenames = new QListWidget(this);
    ui.lstListOfFilenames->setObjectName(u"lstListOfFilenames"_qs);
    ui.lstListOfFilenames->setGeometry(twipsRect(120, 5160, 6852, 240));

    ui.p3dProgress = new ProgressPanel(this);
    ui.p3dProgress->setObjectName(u"p3dProgress"_qs);
    ui.p3dProgress->setGeometry(twipsRect(120, 5400, 6852, 372));
    setColours(ui.p3dProgress, QColor(255, 128, 0), Qt::black);
    ui.txtProgress = displayBox(ui.p3dProgress, "txtProgress", twipsRect(3360, 120, 852, 192));
    ui.txtProgress->setText(u"100%"_qs);
    ui.txtProgress->setAlignment(Qt::AlignCenter);
    ui.txtProgress->setTextMargins(0, 0, 0, 0);
    ui.txtProgress->setContentsMargins(0, 0, 0, 0);
    setColours(ui.txtProgress, QColor(255, 128, 0), QColor(0, 255, 0));

    ui.lblCopyright = new QLabel(this);
    ui.lblCopyright->setObjectName(u"lblCopyright"_qs);
    ui.lblCopyright->setGeometry(twipsRect(120, 5880, 7692, 252));
    setColours(ui.lblCopyright, QColor(192, 255, 255), QColor(0, 0, 128));
    setNormalWeight(ui.lblCopyright);

    // Design state: the panels wait for start-up to show them; the working lists are never shown.
    for (QWidget* hidden : std::initializer_list<QWidget*>{ui.p3dInputFullPathName, ui.p3dOutputFullPathName,
                                                           ui.p3dConverter, ui.p3dConverterSelection,
                                                           ui.p3dPleaseWait, ui.p3dProgress,
                                                           ui.lstConverterSelection, ui.lstListOfFilenames})
        hidden->hide();
    for (PictureButton* button : {ui.c3dInputView, ui.c3dInputEdit, ui.c3dInputRename, ui.c3dInputDelete,
                                  ui.c3dOutputDefine, ui.c3dOutputView, ui.c3dOutputEdit, ui.c3dOutputRename,
                                  ui.c3dOutputDelete, ui.c3dConvert})
        button->setAvailable(false);

    m_input = {.which = lang::Side::Input,
               .define = ui.c3dInputDefine,
               .view = ui.c3dInputView,
               .edit = ui.c3dInputEdit,
               .rename = ui.c3dInputRename,
               .remove = ui.c3dInputDelete,
               .path = ui.txtInputFullPathName,
               .filePath = &m_state.InputFilePath,
               .folder = &m_state.InputFolder,
               .defined = &m_state.InputFileDefined,
               .refreshesInfoLine = true};
    m_output = {.which = lang::Side::Output,
                .define = ui.c3dOutputDefine,
                .view = ui.c3dOutputView,
                .edit = ui.c3dOutputEdit,
                .rename = ui.c3dOutputRename,
                .remove = ui.c3dOutputDelete,
                .path = ui.txtOutputFullPathName,
                .filePath = &m_state.OutputFilePath,
                .folder = &m_state.OutputFolder,
                .defined = &m_state.OutputFileDefined,
                .refreshesInfoLine = false};

    const struct
    {
        PictureButton* button;
        void (MainWindow::*handler)();
    } handlers[] = {
        {ui.c3dInputDefine, &MainWindow::onInputDefine},
        {ui.c3dOutputDefine, &MainWindow::onOutputDefine},
        {ui.c3dConvert, &MainWindow::onConvert},
        {ui.c3dExit, &MainWindow::onExit},
        {ui.c3dGreek, &MainWindow::onGreek},
        {ui.c3dEnglish, &MainWindow::onEnglish},
        {ui.c3dInfo, &MainWindow::onInfo},
    };
    for (const auto& entry : handlers)
        connect(entry.button, &QToolButton::clicked, this, entry.handler);
    const struct
    {
        PictureButton* FileSide::*button;
        void (MainWindow::*command)(const FileSide&);
    } commands[] = {
        {&FileSide::view, &MainWindow::viewFile},
        {&FileSide::edit, &MainWindow::editFile},
        {&FileSide::rename, &MainWindow::renameFile},
        {&FileSide::remove, &MainWindow::deleteFile},
    };
    for (const FileSide* side : {&m_input, &m_output})
        for (const auto& entry : commands)
            connect(side->*entry.button, &QToolButton::clicked, this,
                    [this, side, command = entry.command] { (this->*command)(*side); });
}

// ------------------------------------------------------------------------------------------------
// Start-up

void MainWindow::showStartupStop(const QString& text)
{
    m_platform.beep();
    m_platform.messageBox({lang::startupTitle(), text, Icon::Stop, Buttons::Ok, lang::bilingualButtonTexts()});
    endProgram(1);
}

void MainWindow::applyStartupFailure(const QString& error)
{
    showStartupStop(lang::startupFailureText(error, m_state.ConfigFilePath));
}

bool MainWindow::load()
{
    {
        const base::Expected<bool> another = m_platform.anotherInstanceRunning();
        if (!another) {
            // Before tq.ini is looked at: the message names no file yet.
            applyStartupFailure(lang::errorText(another.error(), m_state.InterfaceLanguage));
            return false;
        }
        if (*another) {
            m_platform.setApplicationTitle(lang::duplicateInstanceTitle());
            setWindowTitle(lang::duplicateInstanceTitle());
            m_platform.beep();
            m_platform.messageBox({lang::startupTitle(), lang::secondInstanceText(), Icon::Information, Buttons::Ok,
                                   lang::bilingualButtonTexts()});
            endProgram(0);
            return false;
        }

        m_state.InterfaceLanguage = Language::Greek;
        m_state.InputFileDefined = m_state.OutputFileDefined = false;
        m_state.OutputFileChanged = m_state.ConversionRunning = false;
        m_state.QuickViewAvailable = m_state.EditorAvailable = false;

        const QString folder = m_platform.programFolder();
        m_state.programFolder = files::AddSeparator(folder);
        m_state.HelpFilePath = helpFilePathFor(Language::Greek);

        const config::LoadResult loaded = config::loadConfiguration(folder, config::personalConfigFolder());
        m_state.ConfigFilePath = loaded.config.configFilePath;
        switch (loaded.failure) {
        case config::ConfigFailure::None:
            break;
        case config::ConfigFailure::MissingFile:
            showStartupStop(lang::missingConfigText(m_state.ConfigFilePath));
            return false;
        case config::ConfigFailure::MissingCount:
            showStartupStop(lang::missingCountText(m_state.ConfigFilePath));
            return false;
        case config::ConfigFailure::BadCount:
            showStartupStop(lang::wrongCountText(m_state.ConfigFilePath));
            return false;
        case config::ConfigFailure::NoConverter:
            showStartupStop(lang::noConverterText(m_state.ConfigFilePath));
            return false;
        case config::ConfigFailure::Other:
        case config::ConfigFailure::TooLarge:
            applyStartupFailure(loaded.errorText);
            return false;
        }
        const config::Configuration& config = loaded.config;
        m_state.configFile = config.configFile;
        m_state.QuickViewAvailable = config.quickViewAvailable;
        m_state.QuickViewCommand = config.quickViewAvailable ? config.quickViewCommand : QString();
        m_state.EditorAvailable = config.editorAvailable;
        m_state.EditorCommand = config.editorAvailable ? config.editorCommand : QString();
        m_ui.cboConverterSelection->clear();
        m_ui.lstConverterSelection->clear();
        for (const config::Converter& converter : config.converters) {
            m_ui.cboConverterSelection->addItem(converter.description);
            m_ui.lstConverterSelection->addItem(converter.key);
        }

        m_ui.cboConverterSelection->setCurrentIndex(0);

        setSideAvailability(m_input, false);
        setSideAvailability(m_output, false);

        for (QWidget* panel : std::initializer_list<QWidget*>{m_ui.p3dInputFullPathName, m_ui.p3dOutputFullPathName,
                                                              m_ui.p3dConverter, m_ui.p3dConverterSelection,
                                                              m_ui.p3dPleaseWait})
            panel->show();

        m_ui.p3dProgress->setPercentage(0);
        m_ui.txtProgress->setText(u"0%"_qs);
        m_ui.p3dProgress->show();

        // Centred once, in twips as single-precision numbers like the rest of the layout.
        const float panelWidth = float(m_ui.p3dProgress->width() * 15);
        const float panelHeight = float(m_ui.p3dProgress->height() * 15);
        const float boxWidth = float(m_ui.txtProgress->width() * 15);
        const float boxHeight = float(m_ui.txtProgress->height() * 15);
        m_ui.txtProgress->move(px((panelWidth - boxWidth) / 2.0f), px((panelHeight - boxHeight) / 2.0f));

        onGreek();
        return !m_state.ended;
    }
}

void MainWindow::endProgram(int status)
{
    m_state.ended = true;
    m_platform.endProgram(status);
}

Answer MainWindow::box(const lang::Message& message, Icon icon, Buttons buttons)
{
    return m_platform.messageBox(
        {message.title, message.text, icon, buttons, lang::buttonTexts(m_state.InterfaceLanguage)});
}

// ------------------------------------------------------------------------------------------------
// Language, information line, help and exit

QString MainWindow::helpFilePathFor(Language language) const
{
    return (m_state.programFolder + lang::helpFileName(language)).toUpper();
}

void MainWindow::onGreek()
{
    if (m_state.ended || !m_ui.c3dGreek->isAvailable())
        return;
    switchLanguage(Language::Greek);
}

void MainWindow::onEnglish()
{
    if (m_state.ended || !m_ui.c3dEnglish->isAvailable())
        return;
    switchLanguage(Language::English);
}

void MainWindow::switchLanguage(Language language)
{
    m_state.InterfaceLanguage = language;
    setWindowTitle(lang::windowTitle());
    m_platform.setApplicationTitle(lang::windowTitle());
    m_ui.f3dInputFile->setTitle(lang::inputFrameCaption(language));
    m_ui.f3dOutputFile->setTitle(lang::outputFrameCaption(language));
    m_ui.f3dLanguage->setTitle(lang::languageFrameCaption(language));
    m_ui.lblConverter->setText(lang::converterLabel(language));
    m_ui.lblCopyright->setText(lang::copyrightLabel(language));
    // An input file that vanished behind the program's back keeps its old line; the switch goes on.
    ShowInputInfo();
    m_state.HelpFilePath = helpFilePathFor(language);

    using lang::Tip;
    const struct
    {
        PictureButton* button;
        Tip tip;
    } hints[] = {
        {m_ui.c3dConvert, Tip::Conversion},     {m_ui.c3dEnglish, Tip::English},
        {m_ui.c3dExit, Tip::Exit},              {m_ui.c3dGreek, Tip::Greek},
        {m_ui.c3dInfo, Tip::Information},       {m_ui.c3dInputDefine, Tip::Select},
        {m_ui.c3dInputDelete, Tip::Delete},     {m_ui.c3dInputEdit, Tip::Edit},
        {m_ui.c3dInputRename, Tip::Rename},     {m_ui.c3dInputView, Tip::QuickView},
        {m_ui.c3dOutputDefine, Tip::Select},    {m_ui.c3dOutputDelete, Tip::Delete},
        {m_ui.c3dOutputEdit, Tip::Edit},        {m_ui.c3dOutputRename, Tip::Rename},
        {m_ui.c3dOutputView, Tip::QuickView},
    };
    for (const auto& hint : hints)
        hint.button->setHint(lang::tooltip(hint.tip, language));
}

bool MainWindow::ShowInputInfo(QString* error)
{
    if (!m_state.InputFileDefined)
        return true;
    QString failure;
    const std::optional<files::FileStat> stat = files::statFile(m_state.InputFilePath, &failure);
    if (!stat) {
        if (error)
            *error = failure;
        return false;
    }
    // The system's locale, unless the program was given another default.
    const QLocale locale;
    const QDateTime modified = stat->modified.toLocalTime();
    QString date = locale.toString(modified.date(), QLocale::ShortFormat);
    // Judged to the second, as the line shows it: 00:00:00.4 is midnight.
    const QTime time = modified.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        date += u' ' + locale.toString(time, timeFormatWithSeconds(locale));
    m_ui.lblPleaseWait->setText(lang::inputInfoLine(m_state.InterfaceLanguage, stat->size, date));
    return true;
}

void MainWindow::onInfo()
{
    if (m_state.ended || !m_ui.c3dInfo->isAvailable())
        return;
    // The upper-case path names a file spelt in lower case on disk.
    const QString name = lang::helpFileName(m_state.InterfaceLanguage);
    const QString real = files::resolveInFolder(m_state.programFolder, name);
    m_platform.showHelp(QFileInfo::exists(real) ? real : m_state.HelpFilePath);
}

void MainWindow::onExit()
{
    if (m_state.ended || !m_ui.c3dExit->isAvailable())
        return;
    endProgram(0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_state.ConversionRunning) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_state.ended)
        endProgram(0);
}

} // namespace trelvick::app
