#pragma once

#include "ToolkitExport.h"

#include <QIcon>
#include <QWidget>

// A flat button that shows nothing but an icon. The icon's modes are the
// button's states: Normal at rest, Active while the pointer is over it,
// Selected while it is held down, Disabled when the button is disabled.
//
// pressed() and released() always come in pairs, even when the pointer
// leaves the button before the release or the button disappears while held,
// so that a caller mirroring them as key down/up never leaves a key down.
// clicked() follows a release over the button.
class TOOLKIT_EXPORT TIconButton : public QWidget
{
    Q_OBJECT

public:
    explicit TIconButton(QWidget *parent = nullptr, QSize size = QSize(48, 48));
    ~TIconButton() override;

    void setIcon(const QIcon &icon);
    QIcon icon() const;

    bool isDown() const;
    // The icon mode painted now.
    QIcon::Mode currentMode() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void cancelPress();

    QIcon m_icon;
    QSize m_size;
    bool m_down = false;
    bool m_downInside = false;
    bool m_hovered = false;
};
