#pragma once

#include "ToolkitExport.h"

#include <QWidget>

class QPropertyAnimation;

// An on/off switch: a rounded track with a knob that slides to the "on" end
// (up when vertical, right when horizontal). Starts off and vertical.
// A click flips it and emits onValueChanged(); setValue() moves the knob
// without emitting, for callers that mirror a state decided elsewhere.
class TOOLKIT_EXPORT TSwitch : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal knobPosition READ knobPosition WRITE setKnobPosition)

public:
    explicit TSwitch(QWidget *parent = nullptr);
    ~TSwitch() override;

    void setValue(bool on);
    bool value() const;

    void setHorizontal(bool horizontal);
    bool isHorizontal() const;

    // 0 at the "off" end, 1 at the "on" end; moves while animating.
    qreal knobPosition() const;
    void setKnobPosition(qreal position);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void onValueChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void slideKnob();
    QRectF trackRect() const;

    QPropertyAnimation *m_animation;
    bool m_value = false;
    bool m_horizontal = false;
    bool m_pressed = false;
    qreal m_knobPosition = 0;
};
