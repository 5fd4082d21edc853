#pragma once

#include "ToolkitExport.h"

#include <QWidget>

class QLabel;
class TIconButton;

// The bar across the top of the toolkit's frameless windows: the title on
// the left, then an optional extra widget, then the window buttons
// (minimise, full screen, close).
//
// The bar acts on the window it belongs to (its parent's window, or itself
// without a parent): close closes that window and minimise minimises it.
// Full screen is only announced, because what full screen means belongs to
// the window (TWindow connects it). Every button also emits its signal,
// before the action. A double click on the bar counts as the full-screen
// button when that button is shown.
//
// Mouse presses and moves on the bar outside its buttons are passed on to
// the window, which uses them to drag itself.
class TOOLKIT_EXPORT TTitleBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int defaultHeight = 36;

    // minimiseButton and fullScreenButton choose whether those buttons are
    // shown beside the close button; extra, if given, is reparented into
    // the bar between the title and the buttons.
    explicit TTitleBar(QWidget *parent = nullptr, bool minimiseButton = true,
                       bool fullScreenButton = true, QWidget *extra = nullptr);
    ~TTitleBar() override;

    void setTitle(const QString &title);
    QString title() const;

    // true hides every button but close; false brings back those chosen at
    // construction.
    void setOnlyClose(bool onlyClose);
    bool onlyClose() const;

    // Shows the full-screen button as "leave full screen" while true.
    void setFullScreenShown(bool fullScreen);

    QSize sizeHint() const override;

signals:
    void minimiseClicked();
    void fullScreenClicked();
    void closeClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *hostWindow();
    void minimiseHost();
    void closeHost();
    void updateButtons();
    void retranslate();

    QLabel *m_titleLabel;
    TIconButton *m_minimiseButton;
    TIconButton *m_fullScreenButton;
    TIconButton *m_closeButton;
    bool m_hasMinimise;
    bool m_hasFullScreen;
    bool m_onlyClose = false;
    bool m_fullScreenShown = false;
};
