// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/selection.h"

#include "app/boxes.h"
#include "files/paths.h"
#include "lang/errortext.h"

namespace trelvick::app {

using platform::FileDialogResult;

namespace {
// Where the dialogs open before anything is chosen: the root of the program's file system.
const QString kRootFolder = u"/"_qs;
} // namespace

FileSelection::FileSelection(platform::Platform& platform, WindowState& state, WindowView& view, QWidget& window,
                             std::function<void(Command)> press)
    : m_platform(platform), m_state(state), m_view(view), m_window(window), m_press(std::move(press))
{
}

FileDialogResult FileSelection::SelectFiles(const QString& folder)
{
    const lang::Language language = m_state.InterfaceLanguage;
    const FileDialogResult result =
        m_platform.openFiles({lang::inputDialogTitle(language), lang::fileFilter(language), folder, {}, language});
    m_platform.bringToFront(&m_window);
    return result;
}

void FileSelection::selectInput()
{
    for (;;) {
        QString folder = kRootFolder;
        if (m_state.OutputFileDefined)
            folder = m_state.OutputFolder;
        if (m_state.InputFileDefined)
            folder = m_state.InputFolder;

        const FileDialogResult selection = SelectFiles(folder);
        if (selection.outcome == FileDialogResult::Failed) {
            m_platform.beep();
            const lang::Language language = m_state.InterfaceLanguage;
            showBox(m_platform, m_state, lang::inputDialogFailure(language, lang::errorText(selection.error, language)),
                    platform::Icon::Exclamation);
            endProgram(m_platform, m_state, 1);
            return;
        }
        if (selection.outcome == FileDialogResult::Cancelled || selection.names.isEmpty()) {
            m_state.ListOfFilenames.clear();
            return;
        }
        if (selection.names.size() == 1) {
            m_state.ListOfFilenames.clear();
            m_state.InputFilePath = selection.names.front();
            m_state.InputFolder = files::GetFolder(m_state.InputFilePath);
            m_state.InputFileDefined = true;
            // A file that cannot be read just keeps the old line; the selection stands.
            m_view.ShowInputInfo();
            return;
        }
        if (offerMultipleFileConversion(selection.names))
            return;
        // Declined: the same dialog again.
    }
}

bool FileSelection::offerMultipleFileConversion(const QStringList& names)
{
    const QString folder = files::CutAtSeparator(names.front());
    const lang::Message question = lang::batchQuestion(m_state.InterfaceLanguage, names.size(), folder);
    if (showBox(m_platform, m_state, question, platform::Icon::Question, platform::Buttons::YesNo) !=
        platform::Answer::Yes)
        return false;
    m_state.ListOfFilenames = names;
    m_press(Command::Convert);
    if (!m_state.ended)
        m_press(Command::Exit);
    return true;
}

void FileSelection::selectOutput()
{
    const lang::Language language = m_state.InterfaceLanguage;
    QString folder = kRootFolder;
    QString name;
    if (m_state.InputFileDefined)
        folder = m_state.InputFolder;
    if (m_state.OutputFileDefined) {
        folder = m_state.OutputFolder;
        name = m_state.OutputFilePath;
    }
    const FileDialogResult result =
        m_platform.saveFile({lang::outputDialogTitle(language), lang::fileFilter(language), folder, name, language});
    m_platform.bringToFront(&m_window);
    // A cancel or a failure keeps the output as it was.
    if (result.outcome != FileDialogResult::Chosen || result.names.isEmpty() || result.names.front().isEmpty())
        return;
    const QString chosen = result.names.front();
    // Compared exactly: another spelling is another output, which needs no question before it is replaced.
    if (chosen != m_state.OutputFilePath)
        m_state.OutputFileChanged = true;
    m_state.OutputFilePath = chosen;
    m_state.OutputFolder = files::GetFolder(chosen);
    m_state.OutputFileDefined = true;
}

} // namespace trelvick::app
