#include "window/ClipboardManager.h"

#include <service/clipboard.h>

#include <QClipboard>
#include <QDebug>
#include <QGuiApplication>

ClipboardManager::ClipboardManager() : m_clipboard(QGuiApplication::clipboard())
{
    follow(true);
    connect(this, &ClipboardManager::onSetClipBoard, this, &ClipboardManager::androidClipBoard);
}

void ClipboardManager::clipBoardChanged()
{
    const QString text = m_clipboard->text(QClipboard::Clipboard);
    if (text.isNull())
        return;
    clipboard_host_clip_data(text);
}

// The guest already has this text: the change it makes on the host is not
// passed back.
void ClipboardManager::androidClipBoard(QString data)
{
    qDebug() << "set clip board from android " << data;
    follow(false);
    m_clipboard->setText(data, QClipboard::Clipboard);
    follow(true);
}

void ClipboardManager::follow(bool on)
{
    if (on)
        connect(m_clipboard, &QClipboard::dataChanged, this, &ClipboardManager::clipBoardChanged);
    else
        disconnect(m_clipboard, &QClipboard::dataChanged, this,
                   &ClipboardManager::clipBoardChanged);
}
