// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace trelvick::rescueapp {

namespace {

template <class T> T* made(QWidget* parent, const char* name)
{
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The widths the columns start with, in characters of the window's font: no column is measured
// against its rows, which a hundred thousand rows would make slow.
constexpr int kColumnWidths[kColumnCount] = {30, 16, 14, 11, 13, 18, 48, 30};

// Texts that read from their start: a preview or a reason cut in the middle reads as nonsense, while a
// path keeps its file's name at the end (the table's own mode).
class StartFirst final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

void setUpTable(QTableView* table)
{
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    // The walk's order until the user sorts.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
}

} // namespace

void Controls::build(QWidget* window)
{
    auto* layout = new QVBoxLayout(window);
    auto* top = new QHBoxLayout;
    inputsCaption = made<QLabel>(window, "inputsCaption");
    inputs = made<QLabel>(window, "inputs");
    inputs->setTextFormat(Qt::PlainText);
    inputs->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    inputs->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addFolder = made<QPushButton>(window, "addFolder");
    rescan = made<QPushButton>(window, "rescan");
    top->addWidget(inputsCaption);
    top->addWidget(inputs, 1);
    top->addWidget(addFolder);
    top->addWidget(rescan);
    layout->addLayout(top);
    buildOptions(window, layout);
    onlyInDoubt = made<QCheckBox>(window, "onlyInDoubt");
    layout->addWidget(onlyInDoubt);
    buildPlan(window, layout);
    buildBottom(window, layout);
}

void Controls::buildOptions(QWidget* window, QVBoxLayout* layout)
{
    auto* options = new QHBoxLayout;
    inPlace = made<QRadioButton>(window, "inPlace");
    inPlace->setChecked(true);
    intoFolder = made<QRadioButton>(window, "intoFolder");
    outputFolder = made<QLineEdit>(window, "outputFolder");
    outputFolder->setReadOnly(true);
    outputFolder->setMinimumWidth(outputFolder->fontMetrics().averageCharWidth() * 16);
    chooseOutput = made<QPushButton>(window, "chooseOutput");
    convertNames = made<QCheckBox>(window, "convertNames");
    lineEndsCaption = made<QLabel>(window, "lineEndsCaption");
    lineEnds = made<QComboBox>(window, "lineEnds");
    lineEndsCaption->setBuddy(lineEnds);
    languageCaption = made<QLabel>(window, "languageCaption");
    language = made<QComboBox>(window, "language");
    languageCaption->setBuddy(language);
    for (QWidget* widget : std::initializer_list<QWidget*>{inPlace, intoFolder, outputFolder, chooseOutput,
                                                           convertNames, lineEndsCaption, lineEnds})
        options->addWidget(widget, widget == outputFolder ? 1 : 0);
    options->addStretch();
    options->addWidget(languageCaption);
    options->addWidget(language);
    layout->addLayout(options);
}

void Controls::buildPlan(QWidget* window, QVBoxLayout* layout)
{
    auto* splitter = made<QSplitter>(window, "splitter");
    plan = made<QTableView>(splitter, "plan");
    setUpTable(plan);
    auto* side = new QWidget(splitter);
    auto* choices = new QVBoxLayout(side);
    choices->setContentsMargins(0, 0, 0, 0);
    candidatesCaption = made<QLabel>(side, "candidatesCaption");
    candidates = made<QListWidget>(side, "candidates");
    candidates->setWordWrap(true);
    candidatesCaption->setBuddy(candidates);
    readAs = made<QPushButton>(side, "readAs");
    leaveAlone = made<QPushButton>(side, "leaveAlone");
    asGuessed = made<QPushButton>(side, "asGuessed");
    for (QWidget* widget :
         std::initializer_list<QWidget*>{candidatesCaption, candidates, readAs, leaveAlone, asGuessed})
        choices->addWidget(widget, widget == candidates ? 1 : 0);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
}

void Controls::buildBottom(QWidget* window, QVBoxLayout* layout)
{
    progress = made<QProgressBar>(window, "progress");
    progress->setRange(0, 1000);
    progress->setValue(0);
    status = made<QLabel>(window, "status");
    status->setTextFormat(Qt::PlainText);
    status->setWordWrap(true);
    layout->addWidget(progress);
    layout->addWidget(status);

    auto* bottom = new QHBoxLayout;
    report = made<QLabel>(window, "report");
    report->setTextFormat(Qt::PlainText);
    report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    report->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    convert = made<QPushButton>(window, "convert");
    cancel = made<QPushButton>(window, "cancel");
    undo = made<QPushButton>(window, "undo");
    bottom->addWidget(report, 1);
    bottom->addWidget(convert);
    bottom->addWidget(cancel);
    bottom->addWidget(undo);
    layout->addLayout(bottom);

    problemsCaption = made<QLabel>(window, "problemsCaption");
    problems = made<QListWidget>(window, "problems");
    problems->setMaximumHeight(problems->fontMetrics().height() * 6);
    problemsCaption->setBuddy(problems);
    layout->addWidget(problemsCaption);
    layout->addWidget(problems);
}

void Controls::showPlan(QAbstractItemModel* model)
{
    plan->setModel(model);
    const int character = plan->fontMetrics().averageCharWidth();
    for (int c = 0; c < kColumnCount; ++c)
        plan->setColumnWidth(c, kColumnWidths[c] * character);
    auto* startFirst = new StartFirst(plan);
    plan->setItemDelegateForColumn(int(Column::Preview), startFirst);
    plan->setItemDelegateForColumn(int(Column::Note), startFirst);
}

void Controls::setTexts(const Phrasebook& words)
{
    const auto apply = [&words](QWidget* widget, Control control) {
        const ControlTexts texts = controlTexts(control, words);
        widget->setAccessibleName(texts.name);
        widget->setAccessibleDescription(texts.description);
        widget->setToolTip(texts.description);
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(texts.caption);
        else if (auto* label = qobject_cast<QLabel*>(widget); label && !texts.caption.isEmpty())
            label->setText(texts.caption);
    };
    const std::pair<QWidget*, Control> all[] = {
        {inputsCaption, Control::Inputs},
        {inputs, Control::Inputs},
        {addFolder, Control::AddFolder},
        {rescan, Control::Rescan},
        {inPlace, Control::InPlace},
        {intoFolder, Control::IntoFolder},
        {outputFolder, Control::OutputFolder},
        {chooseOutput, Control::ChooseOutput},
        {convertNames, Control::ConvertNames},
        {lineEndsCaption, Control::LineEnds},
        {lineEnds, Control::LineEnds},
        {languageCaption, Control::LanguageChoice},
        {language, Control::LanguageChoice},
        {onlyInDoubt, Control::OnlyInDoubt},
        {plan, Control::Plan},
        {candidatesCaption, Control::Candidates},
        {candidates, Control::Candidates},
        {readAs, Control::ReadAs},
        {leaveAlone, Control::LeaveAlone},
        {asGuessed, Control::AsGuessed},
        {progress, Control::Progress},
        {status, Control::Status},
        {convert, Control::Convert},
        {cancel, Control::Cancel},
        {undo, Control::Undo},
        {report, Control::Report},
        {problemsCaption, Control::Problems},
        {problems, Control::Problems},
    };
    for (const auto& [widget, control] : all)
        apply(widget, control);

    const QSignalBlocker quiet(lineEnds);
    const int ends = lineEnds->currentIndex();
    lineEnds->clear();
    for (int i = 0; i < kLineEndsChoices; ++i)
        lineEnds->addItem(lineEndsChoice(i, words));
    lineEnds->setCurrentIndex(std::max(0, ends));
    const QSignalBlocker quietLanguage(language);
    language->clear();
    for (const Language each : {Language::Greek, Language::English})
        language->addItem(languageChoice(each));
    language->setCurrentIndex(words.language() == Language::Greek ? 0 : 1);
}

} // namespace trelvick::rescueapp
