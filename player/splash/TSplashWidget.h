#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;
class TSplashImage;

// What the window shows while the guest boots: the picture area
// ("splashImage"), a thin progress bar ("bootProgress") that creeps
// towards a target, and one line of help text ("helpTextView") that
// changes at an interval.
class TSplashWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashWidget(QWidget *parent = nullptr);

    // Without stretch the picture is laid as a tile; with stretch it is
    // drawn over the whole widget, whatever its shape.
    void setBackgroundImage(const QString &path, bool stretch);
    void setSplashImages(const QString &background, const QString &foreground);
    // The bar gains 1 every durationMs / target ms until it reaches
    // target; a target outside 1..100 is ignored.
    void startProgress(int durationMs, int target);
    // Stops the creeping; the value is clamped to 0..100.
    void setProgress(int value);
    // An empty list keeps the shown text and stops the changes.
    void setHelpTexts(const QStringList &texts, int intervalMs);
    void setHelpTextColor(const QColor &color);

    int progress() const;
    QString helpText() const;
    bool progressRunning() const;

public slots:
    void progressTimeout();
    void helpTextTimeout();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TSplashImage *m_image;
    QProgressBar *m_progressBar;
    QLabel *m_helpText;
    QTimer *m_progressTimer;
    QTimer *m_helpTimer;
    QStringList m_helpTexts;
    int m_helpIntervalMs = 0;
    int m_progressTarget = 100;
    bool m_stretch = false;
    QString m_background;
};
