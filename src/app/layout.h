// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/availability.h"
#include "app/widgets.h"
#include "lang/texts.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace trelvick::app {

// The controls that the window's code writes to; every other one only stands where the layout puts it.
struct Controls
{
    std::array<PictureButton*, kCommandCount> buttons{};
    QLineEdit* txtInputFullPathName = nullptr;
    QLineEdit* txtOutputFullPathName = nullptr;
    QComboBox* cboConverterSelection = nullptr;
    QListWidget* lstConverterSelection = nullptr;
    QLabel* lblPleaseWait = nullptr;
    QListWidget* lstListOfFilenames = nullptr;
    ProgressPanel* p3dProgress = nullptr;
    QLineEdit* txtProgress = nullptr;

    PictureButton* button(Command command) const { return buttons[std::size_t(command)]; }
};

// Builds the window's controls in their design state: places, colours and fonts as the layout table
// gives them, the panels hidden until start-up shows them, the working lists hidden for good.
Controls buildControls(QWidget* window);

// Shows the panels that the design hides, as start-up does once the configuration is read.
void showPanels(QWidget* window);

// Centres the percentage text in the progress bar, as start-up does once.
void centreProgressText(const Controls& ui);

// The frame captions, label texts and button hints in the language given.
void applyCaptions(QWidget* window, lang::Language language);

} // namespace trelvick::app
