// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/texts.h"

#include <QString>

namespace trelvick::app {

// The main window's shared state. Field names are the domain's own vocabulary.
struct WindowState
{
    lang::Language InterfaceLanguage = lang::Language::Greek;

    QString ConfigFilePath; // upper case, as messages show it
    QString configFile;     // the real file it stands for
    QString QuickViewCommand;
    bool QuickViewAvailable = false;
    QString EditorCommand;
    bool EditorAvailable = false;
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

    QString programFolder; // with its closing separator
    bool ended = false;    // the program has been told to end: no further command runs
};

} // namespace trelvick::app
