#include "platform/instance.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <unistd.h>

namespace brindle {
namespace {

TEST(SingleInstance, SecondCopyIsRefusedAndBringsTheFirstForward) {
    QTemporaryDir dir;
    SingleInstance first("brindle", dir.path());
    ASSERT_TRUE(first.tryAcquire());
    QSignalSpy spy(&first, &SingleInstance::activated);

    SingleInstance second("brindle", dir.path());
    EXPECT_FALSE(second.tryAcquire());
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(second.notifyRunning());
    EXPECT_TRUE(spy.wait(10000));
    EXPECT_EQ(spy.count(), 1);

    // Another program's name is not this one.
    SingleInstance other("brindle-player", dir.path());
    EXPECT_TRUE(other.tryAcquire());
}

TEST(SingleInstance, TheLockIsFreeAgainWhenTheFirstEnds) {
    QTemporaryDir dir;
    {
        SingleInstance first("brindle", dir.path());
        ASSERT_TRUE(first.tryAcquire());
    }
    SingleInstance next("brindle", dir.path());
    EXPECT_TRUE(next.tryAcquire());
    // Nobody listens when no copy runs.
    QTemporaryDir empty;
    SingleInstance lonely("brindle", empty.path());
    EXPECT_FALSE(lonely.notifyRunning(500));
}

// Run as a helper process: takes the lock in the folder it is given and dies
// without letting go of the lock file or the socket.
TEST(SingleInstance, HolderThatDies) {
    const QString folder = qEnvironmentVariable("BRINDLE_INSTANCE_HOLDER");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "helper of LockAndSocketLeftByACopyThatDiedAreTakenOver";
    }
    SingleInstance holder("brindle", folder);
    ::_exit(holder.tryAcquire() ? 0 : 1);
}

TEST(SingleInstance, LockAndSocketLeftByACopyThatDiedAreTakenOver) {
    QTemporaryDir dir;
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BRINDLE_INSTANCE_HOLDER", dir.path());
    helper.setProcessEnvironment(env);
    helper.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_filter=SingleInstance.HolderThatDies"});
    ASSERT_TRUE(helper.waitForFinished(30000));
    ASSERT_EQ(helper.exitCode(), 0);
    SingleInstance probe("brindle", dir.path());
    ASSERT_TRUE(QFile::exists(probe.lockPath()));
    ASSERT_TRUE(QFile::exists(probe.socketPath()));

    SingleInstance revived("brindle", dir.path());
    ASSERT_TRUE(revived.tryAcquire());
    QSignalSpy spy(&revived, &SingleInstance::activated);
    SingleInstance caller("brindle", dir.path());
    EXPECT_TRUE(caller.notifyRunning());
    EXPECT_TRUE(spy.wait(10000));
}

}  // namespace
}  // namespace brindle
