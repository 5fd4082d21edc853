#include "KeyTextField.h"

namespace {

constexpr int kBackspace = 14;
constexpr int kEnter = 28;
constexpr int kLeftShift = 42;
constexpr int kRightShift = 54;
constexpr int kCapsLock = 58;
constexpr int kPress = 0;
constexpr int kRelease = 1;

struct KeyChars
{
    int scan;
    char plain;
    char shifted;
};

// The printable keys of a US keyboard by their input-layer scan codes.
constexpr KeyChars kKeys[] = {
    {2, '1', '!'},  {3, '2', '@'},   {4, '3', '#'},  {5, '4', '$'},  {6, '5', '%'},
    {7, '6', '^'},  {8, '7', '&'},   {9, '8', '*'},  {10, '9', '('}, {11, '0', ')'},
    {12, '-', '_'}, {13, '=', '+'},  {16, 'q', 'Q'}, {17, 'w', 'W'}, {18, 'e', 'E'},
    {19, 'r', 'R'}, {20, 't', 'T'},  {21, 'y', 'Y'}, {22, 'u', 'U'}, {23, 'i', 'I'},
    {24, 'o', 'O'}, {25, 'p', 'P'},  {26, '[', '{'}, {27, ']', '}'}, {30, 'a', 'A'},
    {31, 's', 'S'}, {32, 'd', 'D'},  {33, 'f', 'F'}, {34, 'g', 'G'}, {35, 'h', 'H'},
    {36, 'j', 'J'}, {37, 'k', 'K'},  {38, 'l', 'L'}, {39, ';', ':'}, {40, '\'', '"'},
    {41, '`', '~'}, {43, '\\', '|'}, {44, 'z', 'Z'}, {45, 'x', 'X'}, {46, 'c', 'C'},
    {47, 'v', 'V'}, {48, 'b', 'B'},  {49, 'n', 'N'}, {50, 'm', 'M'}, {51, ',', '<'},
    {52, '.', '>'}, {53, '/', '?'},  {57, ' ', ' '},
};

} // namespace

std::optional<QChar> KeyTextField::character(int scan, bool shifted)
{
    for (const KeyChars &key : kKeys) {
        if (key.scan == scan)
            return QChar::fromLatin1(shifted ? key.shifted : key.plain);
    }
    return std::nullopt;
}

bool KeyTextField::applyKey(int scan, int action)
{
    if (action != kPress && action != kRelease)
        return false;
    const bool pressed = action == kPress;
    switch (scan) {
    case kLeftShift:
        m_leftShift = pressed;
        return false;
    case kRightShift:
        m_rightShift = pressed;
        return false;
    case kCapsLock:
        if (pressed)
            m_capsLock = !m_capsLock;
        return false;
    default:
        break;
    }
    if (!pressed)
        return false;
    if (scan == kBackspace) {
        if (m_text.isEmpty())
            return false;
        m_text.chop(1);
        return true;
    }
    if (scan == kEnter) {
        appendText(QStringLiteral("\n"));
        return true;
    }
    const bool shift = m_leftShift || m_rightShift;
    const auto plain = character(scan, false);
    if (!plain)
        return false;
    // Caps Lock turns letters only, and Shift turns them back.
    const bool upper = plain->isLetter() ? shift != m_capsLock : shift;
    appendText(QString(*character(scan, upper)));
    return true;
}

void KeyTextField::appendText(const QString &text)
{
    m_text += text;
    trim();
}

void KeyTextField::trim()
{
    if (m_text.size() > kMaxLength)
        m_text.remove(0, m_text.size() - kMaxLength);
}
