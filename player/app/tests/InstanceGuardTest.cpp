#include "app/InstanceGuard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QUuid>

namespace {

// A name no other test (or earlier run) uses.
QString uniqueName()
{
    return QStringLiteral("guard-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// This test program, started with --hold-guard NAME, claims NAME and waits
// to be killed (see main.cpp).
class GuardHolder
{
public:
    explicit GuardHolder(const QString &name)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-guard"), name});
    }
    ~GuardHolder()
    {
        crash();
    }

    // The holder's answer: "held" or "refused".
    QByteArray answer()
    {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        return m_process.readLine().trimmed();
    }
    // Ends the holder the way a crash would: SIGKILL, no clean-up.
    void crash()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

} // namespace

TEST(InstanceGuardTest, DerivedKeysAreSha1OfKeyAndSuffix)
{
    // Figures from sha1sum over the same bytes.
    EXPECT_EQ(InstanceGuard::deriveKey(QStringLiteral("tavenor"), QStringLiteral("_sharedMemKey")),
              QStringLiteral("3fd00e4f6582ef696943f9356edab58d0e0f3f5c"));
    EXPECT_EQ(InstanceGuard::deriveKey(QStringLiteral("tavenor"), QStringLiteral("_memLockKey")),
              QStringLiteral("f161621b3b4b79e68c817b82dd8afcbe9945bf4d"));
    EXPECT_EQ(InstanceGuard::deriveKey(QString::fromUtf8("d\xc3\xa9mo"), QStringLiteral("_sharedMemKey")),
              QStringLiteral("ed8d70640cf23913c4511bf65a7598973fc02a03"));
    EXPECT_EQ(InstanceGuard::deriveKey(QString(), QStringLiteral("_sharedMemKey")),
              QStringLiteral("30e6efe06b00a8bd1b1fd15b17349bf7ac2f432d"));
}

TEST(InstanceGuardTest, SecondGuardOfTheSameNameIsRefused)
{
    const QString name = uniqueName();
    InstanceGuard first(name);
    ASSERT_FALSE(first.isAnotherRunning());
    ASSERT_TRUE(first.tryToRun());
    // The holder does not count itself as another.
    EXPECT_FALSE(first.isAnotherRunning());

    InstanceGuard second(name);
    EXPECT_TRUE(second.isAnotherRunning());
    EXPECT_FALSE(second.tryToRun());
    // The refused one's clean-up leaves the first one's claim alone.
    InstanceGuard third(name);
    EXPECT_FALSE(third.tryToRun());

    first.release();
    EXPECT_TRUE(third.tryToRun());
}

TEST(InstanceGuardTest, DifferentNamesBothRun)
{
    InstanceGuard first(uniqueName());
    InstanceGuard second(uniqueName());
    EXPECT_TRUE(first.tryToRun());
    EXPECT_TRUE(second.tryToRun());
}

TEST(InstanceGuardTest, EmptyNameIsANameLikeAnyOther)
{
    InstanceGuard first{QString()};
    ASSERT_TRUE(first.tryToRun());
    InstanceGuard second{QString()};
    EXPECT_FALSE(second.tryToRun());
}

TEST(InstanceGuardTest, DestroyedGuardFreesTheName)
{
    const QString name = uniqueName();
    {
        InstanceGuard first(name);
        ASSERT_TRUE(first.tryToRun());
    }
    InstanceGuard second(name);
    EXPECT_TRUE(second.tryToRun());
}

TEST(InstanceGuardTest, AnotherProcessHoldingTheNameRefusesUs)
{
    const QString name = uniqueName();
    GuardHolder holder(name);
    ASSERT_EQ(holder.answer(), QByteArray("held"));
    InstanceGuard guard(name);
    EXPECT_TRUE(guard.isAnotherRunning());
    EXPECT_FALSE(guard.tryToRun());
}

TEST(InstanceGuardTest, StartAfterACrashIsNotRefused)
{
    const QString name = uniqueName();
    GuardHolder holder(name);
    ASSERT_EQ(holder.answer(), QByteArray("held"));
    holder.crash();

    InstanceGuard guard(name);
    EXPECT_FALSE(guard.isAnotherRunning());
    EXPECT_TRUE(guard.tryToRun());

    // And the new claim holds against a further process.
    GuardHolder another(name);
    EXPECT_EQ(another.answer(), QByteArray("refused"));
}
