// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/layout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace trelvick::app {

using lang::Language;
using lang::Tip;

namespace {

enum class Kind
{
    Frame,    // a 3-D frame with a caption in its top edge
    Panel,    // a raised 3-D panel, hidden until start-up
    Progress, // the progress panel, hidden until start-up
    Button,   // a picture button
    Display,  // a text box the program writes and never reads
    Label,
    Combo,
    List, // a working list, never shown
};

enum class Weight
{
    Bold, // the window's own
    Normal,
};

// A colour that the control takes from its container.
const QColor kInherited;

// The window's own, which every control takes unless its row says otherwise.
constexpr int kClientWidthTwips = 7932;
constexpr int kClientHeightTwips = 6252;
const QColor kWindowBackground(192, 192, 192);
const QColor kWindowText = Qt::black;
constexpr double kFontPoints = 7.8; // DejaVu Sans is always there and has the Greek letters

struct Control
{
    const char* name;
    Kind kind;
    const char* container; // nullptr: the window itself
    QRect twips;
    QColor background = kInherited;
    QColor text = kInherited;
    Weight weight = Weight::Bold; // against the window's bold
    QString (*caption)(Language) = nullptr;
    Command command{};
    Tip tip{};
};

Control frame(const char* name, QRect twips, QString (*caption)(Language))
{
    return {name, Kind::Frame, nullptr, twips, kInherited, kInherited, Weight::Bold, caption, {}, {}};
}
Control button(const char* name, const char* container, QRect twips, Command command, Tip tip)
{
    return {name, Kind::Button, container, twips, kInherited, kInherited, Weight::Bold, nullptr, command, tip};
}
Control panel(const char* name, Kind kind, QRect twips, const QColor& background = kInherited)
{
    return {name, kind, nullptr, twips, background, Qt::black, Weight::Bold, nullptr, {}, {}};
}
Control list(const char* name, QRect twips)
{
    return {name, Kind::List, nullptr, twips, kInherited, kInherited, Weight::Bold, nullptr, {}, {}};
}
// A text control.
Control text(const char* name, Kind kind, const char* container, QRect twips, const QColor& background,
             const QColor& foreground, Weight weight, QString (*caption)(Language) = nullptr)
{
    return {name, kind, container, twips, background, foreground, weight, caption, {}, {}};
}

// Top to bottom as they stand on screen, containers before what they hold; positions in twips within
// the container.
const Control kLayout[] = {
    frame("f3dInputFile", twipsRect(120, 120, 5292, 1332), lang::inputFrameCaption),
    button("c3dInputDefine", "f3dInputFile", twipsRect(360, 360, 732, 732), Command::InputDefine, Tip::Select),
    button("c3dInputView", "f3dInputFile", twipsRect(1320, 360, 732, 732), Command::InputView, Tip::QuickView),
    button("c3dInputEdit", "f3dInputFile", twipsRect(2280, 360, 732, 732), Command::InputEdit, Tip::Edit),
    button("c3dInputRename", "f3dInputFile", twipsRect(3240, 360, 732, 732), Command::InputRename, Tip::Rename),
    button("c3dInputDelete", "f3dInputFile", twipsRect(4200, 360, 732, 732), Command::InputDelete, Tip::Delete),
    frame("f3dLanguage", twipsRect(5640, 120, 2172, 1332), lang::languageFrameCaption),
    button("c3dGreek", "f3dLanguage", twipsRect(240, 360, 732, 732), Command::Greek, Tip::Greek),
    button("c3dEnglish", "f3dLanguage", twipsRect(1200, 360, 732, 732), Command::English, Tip::English),
    panel("p3dInputFullPathName", Kind::Panel, twipsRect(120, 1560, 7692, 384)),
    text("txtInputFullPathName", Kind::Display, "p3dInputFullPathName", twipsRect(48, 48, 7596, 288),
         QColor(192, 255, 255), Qt::black, Weight::Normal),
    frame("f3dOutputFile", twipsRect(120, 2040, 5292, 1332), lang::outputFrameCaption),
    button("c3dOutputDefine", "f3dOutputFile", twipsRect(360, 360, 732, 732), Command::OutputDefine, Tip::Select),
    button("c3dOutputView", "f3dOutputFile", twipsRect(1320, 360, 732, 732), Command::OutputView, Tip::QuickView),
    button("c3dOutputEdit", "f3dOutputFile", twipsRect(2280, 360, 732, 732), Command::OutputEdit, Tip::Edit),
    button("c3dOutputRename", "f3dOutputFile", twipsRect(3240, 360, 732, 732), Command::OutputRename, Tip::Rename),
    button("c3dOutputDelete", "f3dOutputFile", twipsRect(4200, 360, 732, 732), Command::OutputDelete, Tip::Delete),
    frame("f3dConvertExit", twipsRect(5640, 2040, 2172, 1332), nullptr),
    button("c3dConvert", "f3dConvertExit", twipsRect(240, 360, 732, 732), Command::Convert, Tip::Conversion),
    button("c3dExit", "f3dConvertExit", twipsRect(1200, 360, 732, 732), Command::Exit, Tip::Exit),
    panel("p3dOutputFullPathName", Kind::Panel, twipsRect(120, 3480, 7692, 384)),
    text("txtOutputFullPathName", Kind::Display, "p3dOutputFullPathName", twipsRect(48, 48, 7596, 288),
         QColor(192, 255, 255), Qt::black, Weight::Normal),
    panel("p3dConverter", Kind::Panel, twipsRect(120, 3960, 3612, 372)),
    text("lblConverter", Kind::Label, "p3dConverter", twipsRect(48, 48, 3516, 276), QColor(255, 255, 192),
         QColor(192, 0, 0), Weight::Bold, lang::converterLabel),
    list("lstConverterSelection", twipsRect(3840, 3960, 3492, 216)),
    panel("p3dConverterSelection", Kind::Panel, twipsRect(120, 4320, 7692, 384)),
    text("cboConverterSelection", Kind::Combo, "p3dConverterSelection", twipsRect(48, 48, 7596, 288), Qt::white,
         Qt::black, Weight::Bold),
    panel("p3dPleaseWait", Kind::Panel, twipsRect(120, 4800, 6852, 372)),
    text("lblPleaseWait", Kind::Label, "p3dPleaseWait", twipsRect(48, 48, 6756, 276), QColor(255, 0, 0), Qt::black,
         Weight::Normal),
    button("c3dInfo", nullptr, twipsRect(7080, 4920, 732, 732), Command::Info, Tip::Information),
    list("lstListOfFilenames", twipsRect(120, 5160, 6852, 240)),
    panel("p3dProgress", Kind::Progress, twipsRect(120, 5400, 6852, 372), QColor(255, 128, 0)),
    text("txtProgress", Kind::Display, "p3dProgress", twipsRect(3360, 120, 852, 192), QColor(255, 128, 0),
         QColor(0, 255, 0), Weight::Bold),
    text("lblCopyright", Kind::Label, nullptr, twipsRect(120, 5880, 7692, 252), QColor(192, 255, 255),
         QColor(0, 0, 128), Weight::Normal, lang::copyrightLabel),
};

// The picture of each hint's command, in resources/icons.
QString pictureOf(Tip tip)
{
    switch (tip) {
    case Tip::Select:
        return u"select"_qs;
    case Tip::QuickView:
        return u"view"_qs;
    case Tip::Edit:
        return u"edit"_qs;
    case Tip::Rename:
        return u"rename"_qs;
    case Tip::Delete:
        return u"delete"_qs;
    case Tip::Conversion:
        return u"convert"_qs;
    case Tip::Exit:
        return u"exit"_qs;
    case Tip::Greek:
        return u"greek"_qs;
    case Tip::English:
        return u"english"_qs;
    case Tip::Information:
        return u"info"_qs;
    }
    return {};
}

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

QWidget* create(const Control& control, QWidget* container)
{
    switch (control.kind) {
    case Kind::Frame:
        return new Frame3D(container);
    case Kind::Panel:
        return new Panel3D(container);
    case Kind::Progress:
        return new ProgressPanel(container);
    case Kind::Button:
        return new PictureButton(container, u":/icons/"_qs + pictureOf(control.tip) + u".png"_qs);
    case Kind::Display: {
        auto* box = new QLineEdit(container);
        box->setReadOnly(true);
        box->setFrame(false);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    }
    case Kind::Label:
        return new QLabel(container);
    case Kind::Combo:
        return new QComboBox(container);
    case Kind::List:
        return new QListWidget(container);
    }
    return nullptr;
}

template <typename T> T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}

} // namespace

Controls buildControls(QWidget* window)
{
    window->setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    QFont font(u"DejaVu Sans"_qs);
    font.setPointSizeF(kFontPoints);
    font.setBold(true);
    window->setFont(font);
    setColours(window, kWindowBackground, kWindowText);

    Controls ui;
    for (const Control& control : kLayout) {
        QWidget* container = control.container ? child<QWidget>(window, control.container) : window;
        QWidget* widget = create(control, container);
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(control.twips);
        if (control.background.isValid())
            setColours(widget, control.background, control.text);
        if (control.weight == Weight::Normal) {
            QFont normal = widget->font();
            normal.setBold(false);
            widget->setFont(normal);
        }
        if (control.kind == Kind::Panel || control.kind == Kind::Progress || control.kind == Kind::List)
            widget->hide();
        if (control.kind == Kind::Button)
            ui.buttons[std::size_t(control.command)] = static_cast<PictureButton*>(widget);
    }
    ui.txtInputFullPathName = child<QLineEdit>(window, "txtInputFullPathName");
    ui.txtOutputFullPathName = child<QLineEdit>(window, "txtOutputFullPathName");
    ui.cboConverterSelection = child<QComboBox>(window, "cboConverterSelection");
    ui.lstConverterSelection = child<QListWidget>(window, "lstConverterSelection");
    ui.lblPleaseWait = child<QLabel>(window, "lblPleaseWait");
    ui.lstListOfFilenames = child<QListWidget>(window, "lstListOfFilenames");
    ui.p3dProgress = child<ProgressPanel>(window, "p3dProgress");
    ui.txtProgress = child<QLineEdit>(window, "txtProgress");
    ui.txtProgress->setText(u"100%"_qs);
    ui.txtProgress->setAlignment(Qt::AlignCenter);
    return ui;
}

void showPanels(QWidget* window)
{
    for (const Control& control : kLayout)
        if (control.kind == Kind::Panel || control.kind == Kind::Progress)
            child<QWidget>(window, control.name)->show();
}

void centreProgressText(const Controls& ui)
{
    // In twips as single-precision numbers, like the rest of the layout.
    const float panelWidth = twipsOf(ui.p3dProgress->width());
    const float panelHeight = twipsOf(ui.p3dProgress->height());
    const float boxWidth = twipsOf(ui.txtProgress->width());
    const float boxHeight = twipsOf(ui.txtProgress->height());
    ui.txtProgress->move(px((panelWidth - boxWidth) / 2.0f), px((panelHeight - boxHeight) / 2.0f));
}

void applyCaptions(QWidget* window, Language language)
{
    for (const Control& control : kLayout) {
        if (control.kind == Kind::Button)
            child<PictureButton>(window, control.name)->setHint(lang::tooltip(control.tip, language));
        else if (control.caption && control.kind == Kind::Frame)
            child<Frame3D>(window, control.name)->setTitle(control.caption(language));
        else if (control.caption)
            child<QLabel>(window, control.name)->setText(control.caption(language));
    }
}

} // namespace trelvick::app
