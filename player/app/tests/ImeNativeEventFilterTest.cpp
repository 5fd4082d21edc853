#include "app/ImeNativeEventFilter.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <xcb/xcb.h>

// On X11 nothing asks the application to change the input language: every
// native event passes on untouched.
TEST(ImeNativeEventFilterTest, PassesEveryX11EventOn)
{
    ImeNativeEventFilter filter;
    const QByteArray type("xcb_generic_event_t");
    for (const uint8_t responseType : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_FOCUS_IN), uint8_t(0x50)}) {
        xcb_generic_event_t event{};
        event.response_type = responseType;
        long result = 42;
        EXPECT_FALSE(filter.nativeEventFilter(type, &event, &result)) << int(responseType);
        EXPECT_EQ(result, 42);
    }
}

TEST(ImeNativeEventFilterTest, NullMessagePassesOn)
{
    ImeNativeEventFilter filter;
    long result = 7;
    EXPECT_FALSE(filter.nativeEventFilter(QByteArray("xcb_generic_event_t"), nullptr, &result));
    EXPECT_FALSE(filter.nativeEventFilter(QByteArray(), nullptr, nullptr));
    EXPECT_EQ(result, 7);
}
