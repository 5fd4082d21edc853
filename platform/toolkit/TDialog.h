#pragma once

#include "ToolkitExport.h"

#include <QDialog>

class TTitleBar;

// A frameless dialog with the toolkit's title bar (close only) above a
// body widget that subclasses fill. exec() runs it modally and returns
// non-zero when it was accepted; closing it by the title bar or Escape
// rejects it. It is dragged by its title bar.
class TOOLKIT_EXPORT TDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TDialog(QWidget *parent = nullptr);
    ~TDialog() override;

    TTitleBar *titleBar() const;
    QWidget *body() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TTitleBar *m_titleBar;
    QWidget *m_body;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
