// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QToolButton>

namespace trelvick::app {

// Layout is given in twips; 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;
inline int px(double twips)
{
    return qRound(twips / kTwipsPerPixel);
}
inline float twipsOf(int pixels)
{
    return float(pixels * kTwipsPerPixel);
}
inline QRect twipsRect(double left, double top, double width, double height)
{
    return {px(left), px(top), px(width), px(height)};
}

// A 3-D frame with its caption in the top edge.
class Frame3D final : public QGroupBox
{
public:
    explicit Frame3D(QWidget* parent);
};

// A raised 3-D panel that borders a text box or a label.
class Panel3D : public QFrame
{
public:
    explicit Panel3D(QWidget* parent);
};

// The progress bar: a panel whose fill covers the given percentage of its width.
class ProgressPanel final : public Panel3D
{
public:
    explicit ProgressPanel(QWidget* parent);
    void setPercentage(int percentage);
    int percentage() const { return m_percentage; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_percentage = 0;
};

// A square button showing a 32 x 32 picture. It is never disabled: an unavailable command shows
// the forbidden pointer and its handler refuses the click.
class PictureButton final : public QToolButton
{
public:
    PictureButton(QWidget* parent, const QString& picture);
    void setAvailable(bool available);
    bool isAvailable() const { return m_available; }
    void setHint(const QString& hint);

private:
    bool m_available = true;
};

} // namespace trelvick::app
