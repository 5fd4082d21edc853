#pragma once

#include <QLineEdit>
#include <QString>

class QKeyEvent;

// The boss-key field: always "Ctrl+Alt+" followed by the upper-cased text
// of the last digit, letter or ":;<=>?@" key pressed. It cannot be typed
// into otherwise: every other key press is swallowed (Tab still moves the
// focus, as it is handled before key presses reach the field).
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
};
