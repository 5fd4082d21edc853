// Typing into the guest's text field with scan codes and input-method text.

#include "KeyTextField.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kShift = 42;
constexpr int kRightShift = 54;
constexpr int kCapsLock = 58;
constexpr int kBackspace = 14;
constexpr int kEnter = 28;

void tap(KeyTextField &field, int scan)
{
    field.applyKey(scan, 0);
    field.applyKey(scan, 1);
}

void tapShifted(KeyTextField &field, int shiftScan, int scan)
{
    field.applyKey(shiftScan, 0);
    tap(field, scan);
    field.applyKey(shiftScan, 1);
}

TEST(KeyTextField, TypesWhatAUsKeyboardTypes)
{
    KeyTextField field;
    tapShifted(field, kShift, 35); // H
    for (int scan : {18, 38, 38, 24, 51, 57})
        tap(field, scan);               // "ello, "
    tapShifted(field, kRightShift, 17); // W
    for (int scan : {24, 19, 38, 32})
        tap(field, scan);
    tapShifted(field, kShift, 2); // !
    EXPECT_EQ(field.text(), QStringLiteral("Hello, World!"));
}

TEST(KeyTextField, CapsLockTurnsLettersOnlyAndShiftTurnsThemBack)
{
    KeyTextField field;
    tap(field, kCapsLock);
    tap(field, 30);                // A
    tap(field, 3);                 // 2
    tapShifted(field, kShift, 30); // a
    tapShifted(field, kShift, 3);  // @
    tap(field, kCapsLock);
    tap(field, 30); // a
    EXPECT_EQ(field.text(), QStringLiteral("A2a@a"));
}

TEST(KeyTextField, EditingKeysAndRepeats)
{
    KeyTextField field;
    EXPECT_FALSE(field.applyKey(kBackspace, 0)); // nothing to delete
    EXPECT_TRUE(field.applyKey(30, 0));
    EXPECT_TRUE(field.applyKey(30, 0)); // a held key repeats its press
    EXPECT_FALSE(field.applyKey(30, 1));
    EXPECT_TRUE(field.applyKey(kBackspace, 0));
    EXPECT_TRUE(field.applyKey(kEnter, 0));
    EXPECT_EQ(field.text(), QStringLiteral("a\n"));
}

TEST(KeyTextField, KeysThatTypeNothing)
{
    KeyTextField field;
    for (int scan : {0, 1, 29, 56, 59, 103, 158, 172, 254, -5, 100000})
        EXPECT_FALSE(field.applyKey(scan, 0)) << scan;
    EXPECT_FALSE(field.applyKey(30, 2)) << "an action other than press or release";
    EXPECT_FALSE(field.applyKey(30, -1));
    EXPECT_TRUE(field.text().isEmpty());
}

TEST(KeyTextField, InputMethodTextAndTheLengthBound)
{
    KeyTextField field;
    field.appendText(QString::fromUtf8("\xe4\xbd\xa0\xe5\xa5\xbd"));
    tap(field, 57);
    EXPECT_EQ(field.text(), QString::fromUtf8("\xe4\xbd\xa0\xe5\xa5\xbd "));
    field.appendText(QString(KeyTextField::kMaxLength, QLatin1Char('x')) + QStringLiteral("end"));
    EXPECT_EQ(field.text().size(), KeyTextField::kMaxLength);
    EXPECT_TRUE(field.text().endsWith(QStringLiteral("xend")));
}

} // namespace
