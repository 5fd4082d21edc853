#include "settings/ShordCutEdit.h"

#include <QKeyEvent>

namespace {

constexpr int kFirstAcceptedKey = 0x30; // '0'
constexpr int kLastAcceptedKey = 0x5A;  // 'Z'

QString prefix()
{
    return QString::fromLatin1(ShordCutEdit::kPrefix);
}

} // namespace

ShordCutEdit::ShordCutEdit(QWidget *parent) : QLineEdit(parent)
{
    setText(prefix());
}

void ShordCutEdit::setStoredKey(const QString &stored)
{
    QString key = stored;
    key.remove(prefix(), Qt::CaseSensitive);
    setText(prefix() + key.toUpper());
}

void ShordCutEdit::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() < kFirstAcceptedKey || event->key() > kLastAcceptedKey)
        return;
    const QString key = event->text().toUpper();
    setText(prefix() + key);
    emit keyChanged(key);
}
