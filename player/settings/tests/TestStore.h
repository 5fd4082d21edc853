#pragma once

#include <gtest/gtest.h>

#include <QString>

// A store application name of the running test, so tests in one binary
// never see each other's keys.
inline QString testApplication()
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return QStringLiteral("test_%1_%2")
        .arg(QString::fromLatin1(info->test_suite_name()), QString::fromLatin1(info->name()))
        .replace(QLatin1Char('/'), QLatin1Char('_'));
}
