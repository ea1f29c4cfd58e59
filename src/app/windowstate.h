// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/configuration.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>

namespace trelvick::app {

// The main window's shared state. Field names are the domain's own vocabulary. The window shows it:
// what a command may do, the two paths and the hidden working lists all follow from these fields.
struct WindowState
{
    lang::Language InterfaceLanguage = lang::Language::Greek;

    QString ConfigFilePath; // upper case, as messages show it
    QString configFile;     // the real file it stands for
    QString QuickViewCommand;
    bool QuickViewAvailable = false;
    QString EditorCommand;
    bool EditorAvailable = false;
    QList<config::Converter> ConverterList; // at the positions of the combo box's descriptions
    QString ConverterSection;
    QString HelpFilePath; // upper case

    QString InputFilePath;
    QString InputFolder;
    bool InputFileDefined = false;
    QString OutputFilePath;
    QString OutputFolder;
    bool OutputFileDefined = false;
    bool OutputFileChanged = false;
    bool ConversionRunning = false;
    // Empty: Convert converts the chosen input into the chosen output. Two or more full paths: each
    // is converted into its name followed by ".out".
    QStringList ListOfFilenames;

    QString programFolder; // with its closing separator
    bool started = false;  // the load step has set the starting state
    bool ended = false;    // the program has been told to end: no further command runs

    // One frame's file, so that the commands on either frame are written once.
    struct Side
    {
        QString& filePath;
        QString& folder;
        bool& defined;
    };
    Side side(lang::Side which)
    {
        if (which == lang::Side::Input)
            return {InputFilePath, InputFolder, InputFileDefined};
        return {OutputFilePath, OutputFolder, OutputFileDefined};
    }
};

// The upper-case path of the help file in this language, beside the program.
inline QString helpFilePath(const QString& programFolder, lang::Language language)
{
    return (programFolder + lang::helpFileName(language)).toUpper();
}

} // namespace trelvick::app
