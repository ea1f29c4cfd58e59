// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/widgets.h"

#include <QPainter>

namespace trelvick::app {

namespace {
const QColor kProgressFill(0, 0, 160); // dark blue on the orange panel
} // namespace

Frame3D::Frame3D(QWidget* parent) : QGroupBox(parent)
{
    setFlat(false);
    setStyleSheet(u"QGroupBox { border: 2px groove #7f7f7f; border-radius: 0px; margin-top: 6px; }"
                  u"QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 10px; "
                  u"padding: 0px; }"_qs);
}

Panel3D::Panel3D(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
}

ProgressPanel::ProgressPanel(QWidget* parent) : Panel3D(parent) {}

void ProgressPanel::setPercentage(int percentage)
{
    percentage = std::clamp(percentage, 0, 100);
    if (percentage == m_percentage)
        return;
    m_percentage = percentage;
    update();
}

void ProgressPanel::paintEvent(QPaintEvent* event)
{
    Panel3D::paintEvent(event);
    if (m_percentage <= 0)
        return;
    QPainter painter(this);
    const QRect inside = contentsRect();
    QRect fill = inside;
    fill.setWidth(inside.width() * m_percentage / 100);
    painter.fillRect(fill, kProgressFill);
}

PictureButton::PictureButton(QWidget* parent, const QString& picture) : QToolButton(parent)
{
    setIcon(QIcon(picture));
    setIconSize(QSize(32, 32));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::TabFocus);
    setAvailable(true);
}

void PictureButton::setAvailable(bool available)
{
    m_available = available;
    setCursor(available ? Qt::ArrowCursor : Qt::ForbiddenCursor);
}

void PictureButton::setHint(const QString& hint)
{
    setToolTip(hint);
    setAccessibleName(hint);
    setAccessibleDescription(hint);
}

} // namespace trelvick::app
