#include "settings/ShordCutEdit.h"

#include <QKeyEvent>

namespace {

constexpr int kFirstAcceptedKey = 0x30; // '0'
constexpr int kLastAcceptedKey = 0x5A;  // 'Z'

QString prefix()
{
    return QString::fromLatin1(ShordCutEdit::kPrefix);
}

// text upper-cased when it is one character of the accepted keys, else
// empty.
QString acceptedKey(const QString &text)
{
    const QString key = text.toUpper();
    if (key.size() != 1 || key[0].unicode() < kFirstAcceptedKey || key[0].unicode() > kLastAcceptedKey)
        return QString();
    return key;
}

// What an edit put in place of what: the text between the parts that
// `before` and `after` share at their start and end.
QString insertedText(const QString &before, const QString &after)
{
    const int shorter = qMin(before.size(), after.size());
    int head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    int tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    return after.mid(head, after.size() - head - tail);
}

} // namespace

ShordCutEdit::ShordCutEdit(QWidget *parent) : QLineEdit(parent)
{
    setText(prefix());
    m_shown = text();
    // Paste, drop, cut and input-method commits all reach the text through
    // the line edit's own editing, which reports each change here.
    connect(this, &QLineEdit::textEdited, this, &ShordCutEdit::takeEditedText);
}

void ShordCutEdit::setStoredKey(const QString &stored)
{
    QString key = stored;
    key.remove(prefix(), Qt::CaseSensitive);
    setText(prefix() + key.toUpper());
    m_shown = text();
}

void ShordCutEdit::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    if (event->key() < kFirstAcceptedKey || event->key() > kLastAcceptedKey)
        return;
    const QString key = acceptedKey(event->text());
    showKey(key);
    emit keyChanged(key);
}

void ShordCutEdit::showKey(const QString &key)
{
    setText(prefix() + key);
    m_shown = text();
}

void ShordCutEdit::takeEditedText(const QString &edited)
{
    const QString key = acceptedKey(insertedText(m_shown, edited));
    if (key.isEmpty()) {
        setText(m_shown);
        return;
    }
    showKey(key);
    emit keyChanged(key);
}
