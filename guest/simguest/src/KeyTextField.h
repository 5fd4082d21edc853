#pragma once

#include <QChar>
#include <QString>

#include <optional>

// The guest's text field, typed into by scan codes from the input agent (a
// US keyboard layout, Shift and Caps Lock followed) and by committed
// input-method texts. Keeps the last kMaxLength characters.
class KeyTextField
{
public:
    static constexpr int kMaxLength = 500;

    // The character a scan code types, if any.
    static std::optional<QChar> character(int scan, bool shifted);

    // action 0 is a press (repeats type again), 1 a release. True when the
    // text changed.
    bool applyKey(int scan, int action);
    void appendText(const QString &text);
    void clear() { m_text.clear(); }

    const QString &text() const { return m_text; }

private:
    void trim();

    QString m_text;
    bool m_leftShift = false;
    bool m_rightShift = false;
    bool m_capsLock = false;
};
