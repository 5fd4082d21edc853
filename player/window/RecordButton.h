#pragma once

#include <TIconButton.h>

#include <QTimer>

// The tool bar's Record button: while a recording runs, a small red light in
// its top right corner blinks, on for a second and off for a second.
class RecordButton : public TIconButton
{
    Q_OBJECT

public:
    explicit RecordButton(QWidget *parent = nullptr, QSize size = QSize(48, 48));

    void setRecording(bool on);

public slots:
    void updateRecordLight();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool lightOn = false;
    bool recording = false;
    QTimer m_blinkTimer;
};
