#pragma once

#include <QObject>
#include <QString>

class QClipboard;

// Keeps the host clipboard and the guest's in step. Text the user copies on
// the host goes to the guest's clipboard agent (an empty text too; a
// clipboard without text, an image only, sends nothing). Text from the guest
// is put on the host clipboard without being sent back. GUI thread only:
// guest texts arrive through the main window's queued signal.
class ClipboardManager : public QObject
{
    Q_OBJECT

public:
    ClipboardManager();

signals:
    void onSetClipBoard(QString data);

public slots:
    void clipBoardChanged();
    void androidClipBoard(QString data);

private:
    void follow(bool on);

    QClipboard *m_clipboard;
};
