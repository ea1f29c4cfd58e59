// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescueapp/rescuetexts.h"

class QAbstractItemModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QVBoxLayout;
class QWidget;

namespace trelvick::rescueapp {

// The controls of the rescue window, made and laid out once; their texts, accessible names and
// descriptions come from rescuetexts in the language asked for. Each has an object name (its
// member's name) by which tests and the accessibility bus find it.
struct Controls
{
    QLabel* inputsCaption = nullptr;
    QLabel* inputs = nullptr;
    QPushButton* addFolder = nullptr;
    QPushButton* rescan = nullptr;
    QRadioButton* inPlace = nullptr;
    QRadioButton* intoFolder = nullptr;
    QLineEdit* outputFolder = nullptr;
    QPushButton* chooseOutput = nullptr;
    QCheckBox* convertNames = nullptr;
    QLabel* lineEndsCaption = nullptr;
    QComboBox* lineEnds = nullptr;
    QLabel* languageCaption = nullptr;
    QComboBox* language = nullptr;
    QCheckBox* onlyInDoubt = nullptr;
    QTableView* plan = nullptr;
    QLabel* candidatesCaption = nullptr;
    QListWidget* candidates = nullptr;
    QPushButton* readAs = nullptr;
    QPushButton* leaveAlone = nullptr;
    QPushButton* asGuessed = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* status = nullptr;
    QPushButton* convert = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* undo = nullptr;
    QLabel* report = nullptr;
    QLabel* problemsCaption = nullptr;
    QListWidget* problems = nullptr;

    // Makes every control as a child of window, in its layout.
    void build(QWidget* window);
    // The plan's model in the table, its columns given their widths.
    void showPlan(QAbstractItemModel* model);
    void setTexts(const Phrasebook& words);

private:
    void buildOptions(QWidget* window, QVBoxLayout* layout);
    void buildPlan(QWidget* window, QVBoxLayout* layout);
    void buildBottom(QWidget* window, QVBoxLayout* layout);
};

} // namespace trelvick::rescueapp
