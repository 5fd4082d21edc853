#pragma once

#include <QObject>
#include <QPoint>

class QTimer;
class QWidget;

// The window's shake: nine frames 10 ms apart, moved alternately 10 px right
// and left of where the window stood (right first), then back in place,
// about 100 ms after the start. One shake at a time. Each frame is due with
// frameDue(); the owner answers with showNextFrame(), so that its own slot
// sees every frame.
class ShakeAnimation : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 10;
    static constexpr int kTicks = 10;
    static constexpr int kOffset = 10;

    explicit ShakeAnimation(QWidget *window);
    ~ShakeAnimation() override;

    bool shaking() const { return m_shaking; }
    // Starts a shake unless one runs; false when one does.
    bool start();
    void showNextFrame();
    // Stops at once with the window back in place.
    void end();

signals:
    void frameDue();

private:
    void stopTimer();

    QWidget *m_window;
    bool m_shaking = false;
    QPoint m_origin;
    int m_frame = 0;
    QTimer *m_timer = nullptr;
};
