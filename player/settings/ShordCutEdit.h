#pragma once

#include <QLineEdit>
#include <QString>

class QKeyEvent;

// The boss-key field: always "Ctrl+Alt+" followed by the upper-cased text
// of the last digit, letter or ":;<=>?@" key pressed. It cannot be typed
// into otherwise: every other key press is swallowed (Tab still moves the
// focus, as it is handled before key presses reach the field).
//
// Text that arrives any other way (pasted, dropped, committed by an input
// method) obeys the same rule: one such character becomes the key, anything
// else leaves the field as it was. So does a key press whose text is no such
// character (a control character for a letter pressed with Ctrl): it shows
// the prefix alone, as a press without text does. The field never holds a
// text that names no key.
class ShordCutEdit : public QLineEdit
{
    Q_OBJECT

public:
    static constexpr char kPrefix[] = "Ctrl+Alt+";

    explicit ShordCutEdit(QWidget *parent = nullptr);

    // Shows a stored boss key: every "Ctrl+Alt+" in its exact case is
    // removed and the rest follows the prefix upper-cased.
    void setStoredKey(const QString &stored);

signals:
    void keyChanged(QString key);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showKey(const QString &key);
    void takeEditedText(const QString &edited);

    // What the field showed before the line edit changed it.
    QString m_shown;
};
