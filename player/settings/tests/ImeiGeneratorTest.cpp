#include "settings/ImeiGenerator.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Full-number validation, the way a receiver checks an IMEI: every second
// digit from the right, starting with the second-to-last, is doubled and the
// sum of all fifteen is a multiple of ten.
bool passesLuhnValidation(const QString &number)
{
    int sum = 0;
    bool doubled = false;
    for (int i = number.size() - 1; i >= 0; --i) {
        int digit = number.at(i).digitValue();
        if (doubled)
            digit = digit * 2 / 10 + digit * 2 % 10;
        sum += digit;
        doubled = !doubled;
    }
    return sum % 10 == 0;
}

void expectWellFormed(const QString &imei)
{
    ASSERT_EQ(imei.size(), 15) << imei.toStdString();
    EXPECT_TRUE(imei.startsWith(QLatin1String("86"))) << imei.toStdString();
    for (QChar c : imei)
        ASSERT_TRUE(c.isDigit()) << imei.toStdString();
    EXPECT_TRUE(passesLuhnValidation(imei)) << imei.toStdString();
}

struct LuhnCase
{
    const char *digits;
    int check;
};

class LuhnCheckDigitTest : public ::testing::TestWithParam<LuhnCase> {};

TEST_P(LuhnCheckDigitTest, KnownNumbers)
{
    EXPECT_EQ(luhnCheckDigit(QString::fromLatin1(GetParam().digits)), GetParam().check);
}

INSTANTIATE_TEST_SUITE_P(Table, LuhnCheckDigitTest,
                         ::testing::Values(LuhnCase{"49015420323751", 8}, // published IMEI example
                                           LuhnCase{"35209900176148", 1},
                                           LuhnCase{"7992739871", 3},      // the classic Luhn example
                                           LuhnCase{"86000000000000", 9},  // 8 + (6*2-9) = 11
                                           LuhnCase{"86999999999999", 1},
                                           LuhnCase{"00000000000000", 0},
                                           LuhnCase{"86050505050505", 3},  // 8 + 3 + six doubled 5s giving 1 each
                                           LuhnCase{"", 0},
                                           LuhnCase{"8612x456789012", -1},
                                           LuhnCase{"86 12", -1}));

TEST(ImeiGeneratorTest, ShapeAndCheckDigit)
{
    QSet<QString> seen;
    for (int i = 0; i < 500; ++i) {
        const QString imei = generateImei();
        expectWellFormed(imei);
        seen.insert(imei);
    }
    EXPECT_GT(seen.size(), 490) << "twelve random digits rarely repeat";
}

TEST(ImeiGeneratorTest, EveryDigitPairOccurs)
{
    // "%02d" of r % 100: pairs below ten keep their leading zero.
    QSet<QString> pairs;
    for (int i = 0; i < 400; ++i) {
        const QString imei = generateImei();
        for (int p = 2; p < 14; p += 2)
            pairs.insert(imei.mid(p, 2));
    }
    EXPECT_EQ(pairs.size(), 100);
}

TEST(ImeiGeneratorTest, TwoThreadsAtOnce)
{
    std::mutex lock;
    std::vector<QString> all;
    auto generate = [&] {
        std::vector<QString> mine;
        for (int i = 0; i < 200; ++i)
            mine.push_back(generateImei());
        std::lock_guard<std::mutex> guard(lock);
        all.insert(all.end(), mine.begin(), mine.end());
    };
    std::thread first(generate);
    std::thread second(generate);
    first.join();
    second.join();

    ASSERT_EQ(all.size(), 400u);
    for (const QString &imei : all)
        expectWellFormed(imei);
}

// Run as a child of the next test: prints the process's first IMEI.
TEST(ImeiGeneratorTest, PrintsTheFirstWhenAsked)
{
    if (qEnvironmentVariableIsEmpty("TAVENOR_PRINT_FIRST_IMEI"))
        GTEST_SKIP() << "only as a child process";
    std::printf("IMEI %s\n", qPrintable(generateImei()));
}

// Players started in the same second must not share an identity.
TEST(ImeiGeneratorTest, ProcessesStartedTogetherDiffer)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVENOR_PRINT_FIRST_IMEI"), QStringLiteral("1"));
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < 3; ++i) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->setProcessEnvironment(environment);
        children.back()->start(QString::fromLocal8Bit(program_invocation_name),
                               {QStringLiteral("--gtest_filter=ImeiGeneratorTest.PrintsTheFirstWhenAsked")});
    }
    QSet<QString> imeis;
    for (auto &child : children) {
        ASSERT_TRUE(child->waitForFinished(30000));
        const QString out = QString::fromLatin1(child->readAllStandardOutput());
        const int at = out.indexOf(QLatin1String("IMEI "));
        ASSERT_GE(at, 0) << out.toStdString();
        const QString imei = out.mid(at + 5, 15);
        expectWellFormed(imei);
        imeis.insert(imei);
    }
    EXPECT_EQ(imeis.size(), 3);
}

} // namespace
