// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "config/codesection.h"
#include "convert/engine.h"
#include "files/batchcheck.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "lang/errortext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace trelvick::app {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

void MainWindow::setProgress(int percentage)
{
    m_ui.p3dProgress->setPercentage(percentage);
    m_ui.txtProgress->setText(QString::number(percentage) + u'%');
}

void MainWindow::setCommandsAvailable(bool available)
{
    for (PictureButton* button :
         {m_ui.c3dInputDefine, m_ui.c3dInputView, m_ui.c3dInputEdit, m_ui.c3dInputRename, m_ui.c3dInputDelete,
          m_ui.c3dOutputDefine, m_ui.c3dOutputView, m_ui.c3dOutputEdit, m_ui.c3dOutputRename, m_ui.c3dOutputDelete,
          m_ui.c3dGreek, m_ui.c3dEnglish, m_ui.c3dConvert, m_ui.c3dExit})
        button->setAvailable(available);
    m_ui.cboConverterSelection->setEnabled(available);
    m_ui.c3dInfo->setAvailable(available);
}

void MainWindow::failConversion(const QString& error)
{
    m_platform.beep();
    box(lang::conversionFailure(m_state.InterfaceLanguage, error), Icon::Stop);
    m_state.ConversionRunning = false;
    endProgram(1);
}

void MainWindow::onConvert()
{
    if (m_state.ended || !m_ui.c3dConvert->isAvailable())
        return;
    const int count = std::max(m_ui.lstListOfFilenames->count(), 1);
    const bool single = count == 1;

    QStringList batch;
    for (int i = 0; !single && i < count; ++i)
        batch << m_ui.lstListOfFilenames->item(i)->text();
    // A name that came from the file system in bytes Qt could not decode holds U+FFFD in their place:
    // opened or created under that name it would be another file.
    for (const QString& name : single ? QStringList{m_state.InputFilePath, m_state.OutputFilePath} : batch) {
        if (name.contains(QChar::ReplacementCharacter)) {
            m_platform.beep();
            box(lang::unrepresentableName(m_state.InterfaceLanguage, name), Icon::Information);
            return;
        }
    }
    // A batch output that would replace one of the batch's inputs: refused as a whole, before
    // anything is converted, as a single file with two names is.
    const QList<files::BatchEntry> conflicts = files::checkBatch(batch);
    if (std::any_of(conflicts.begin(), conflicts.end(), [](const files::BatchEntry& e) { return e.refused(); })) {
        m_platform.beep();
        box(lang::wrongNames(m_state.InterfaceLanguage), Icon::Information);
        return;
    }

    for (int i = 0; i < count; ++i) {
        const QString input = single ? m_state.InputFilePath : batch.at(i);
        const QString output = single ? m_state.OutputFilePath : input + u".out"_qs;

        if (single) {
            // Two names for one file (a link, "./a" beside "a"): the input would be replaced by its result.
            if (input == output || files::sameFile(input, output)) {
                m_platform.beep();
                box(lang::wrongNames(m_state.InterfaceLanguage), Icon::Information);
                return;
            }
            if (!m_state.OutputFileChanged) {
                m_platform.beep();
                if (box(lang::previousResults(m_state.InterfaceLanguage), Icon::Question, Buttons::YesNo) !=
                    Answer::Yes)
                    return;
            }
        }

        const int selected = m_ui.cboConverterSelection->currentIndex();
        const QString description = m_ui.cboConverterSelection->currentText();
        m_state.ConverterSection =
            selected >= 0 && selected < m_ui.lstConverterSelection->count()
                ? m_ui.lstConverterSelection->item(selected)->text()
                : QString();
        // Read afresh for every file: the user may have mended tq.ini meanwhile.
        // A file that cannot be read has no sections, as it had none for the classic reader.
        const auto profile = config::ProfileReader::fromFile(m_state.configFile);
        const auto loaded =
            config::loadCodeSection(profile ? *profile : config::ProfileReader(), m_state.ConverterSection);
        if (!loaded) {
            m_platform.beep();
            box(lang::missingCodeSection(m_state.InterfaceLanguage, description), Icon::Stop);
            endProgram(1);
            return;
        }

        files::FileConversion conversion;
        conversion.input = input;
        conversion.output = output;
        std::int64_t size = 0;
        conversion.started = [&](std::int64_t inputSize) {
            size = inputSize;
            if (!single)
                m_ui.lblPleaseWait->setText(lang::batchLabel(m_state.InterfaceLanguage, i + 1, count));
            setCommandsAvailable(false);
            setProgress(0);
            m_state.ConversionRunning = true;
        };
        conversion.progress = [this, &size](const convert::Counts& counts) {
            setProgress(convert::progressPercentage(counts.processed, size));
            m_platform.processEvents();
        };
        const files::ConversionOutcome result = files::convertFile(conversion, *loaded);
        if (!result.ok()) {
            failConversion(lang::errorText(result.error, m_state.InterfaceLanguage));
            return;
        }

        if (single) {
            setProgress(100);
            m_platform.beep();
            box(lang::endOfConversion(m_state.InterfaceLanguage, description, result.counts.changed),
                Icon::Information);
        }

        setProgress(0);
        setCommandsAvailable(true);
        setSideAvailability(m_input, true);
        setSideAvailability(m_output, true);
        m_state.OutputFileChanged = false;
        m_state.ConversionRunning = false;
    }
}

} // namespace trelvick::app
