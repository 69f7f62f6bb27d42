#include "platform/made_ahead.h"

#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <thread>

namespace brindle {
namespace {

using Taken = MadeAhead::Taken;

// A worker that writes the source's bytes, upper-cased, into the file.
MadeAhead::Make upperCaseOf(const QString& source) {
    return [source](const QString& file) {
        QFile in(source);
        QFile out(file);
        return in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
               out.write(in.readAll().toUpper()) >= 0;
    };
}

class MadeAheadTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(scratch()); }
    QString scratch() const { return env.file("scratch"); }
    // Files the workers left in the scratch folder.
    QStringList leftOver() const { return QDir(scratch()).entryList(QDir::Files); }

    test::TempEnv env;
    MadeAhead cache{"ahead-", ".txt"};
};

TEST_F(MadeAheadTest, EachKeyGetsItsOwnFileMovedIntoPlace) {
    QStringList sources;
    for (int i = 0; i < 8; ++i) {
        sources << env.write(QStringLiteral("in%1.txt").arg(i),
                             QStringLiteral("picture %1").arg(i).toUtf8());
        ASSERT_TRUE(cache.start(sources.back(), sources.back(), "box", scratch(),
                                upperCaseOf(sources.back())));
    }
    // Started once per key.
    EXPECT_FALSE(cache.start(env.file("none.txt"), env.file("none.txt"), "box", scratch(),
                             upperCaseOf(sources[0])));
    EXPECT_TRUE(cache.start(sources[0], sources[0], "box", scratch(), upperCaseOf(sources[1])));
    EXPECT_EQ(cache.size(), 8);

    // Taken in another order than started.
    for (int i = 7; i >= 0; --i) {
        const QString target = env.file(QStringLiteral("out%1.txt").arg(i));
        env.write(QStringLiteral("out%1.txt").arg(i), "an older file");
        ASSERT_EQ(cache.take(sources[i], sources[i], "box", target), Taken::Made) << i;
        EXPECT_EQ(test::fileContents(target), QStringLiteral("PICTURE %1").arg(i).toUtf8());
        EXPECT_FALSE(cache.contains(sources[i]));
    }
    EXPECT_EQ(cache.take(sources[0], sources[0], "box", env.file("again.txt")), Taken::None);
    EXPECT_FALSE(QFileInfo::exists(env.file("again.txt")));
    EXPECT_TRUE(leftOver().isEmpty()) << leftOver().join(' ').toStdString();
}

TEST_F(MadeAheadTest, AChangedSourceOrOtherSettingsLeaveTheWorkToTheCaller) {
    const QString a = env.write("a.txt", "first");
    const QString b = env.write("b.txt", "second");
    const QString c = env.write("c.txt", "third");
    ASSERT_TRUE(cache.start("a", a, "320x240", scratch(), upperCaseOf(a)));
    ASSERT_TRUE(cache.start("b", b, "320x240", scratch(), upperCaseOf(b)));
    ASSERT_TRUE(cache.start("c", c, "320x240", scratch(), upperCaseOf(c)));
    env.write("a.txt", "first, edited since");

    EXPECT_EQ(cache.take("a", a, "320x240", env.file("a.out")), Taken::None);
    EXPECT_EQ(cache.take("b", b, "160x120", env.file("b.out")), Taken::None);
    EXPECT_EQ(cache.take("c", a, "320x240", env.file("c.out")), Taken::None);
    for (const char* out : {"a.out", "b.out", "c.out"}) {
        EXPECT_FALSE(QFileInfo::exists(env.file(out))) << out;
    }
    EXPECT_TRUE(leftOver().isEmpty()) << leftOver().join(' ').toStdString();
    EXPECT_EQ(cache.size(), 0);
}

TEST_F(MadeAheadTest, FailedWorkIsReportedAndLeavesNothing) {
    const QString a = env.write("a.txt", "first");
    ASSERT_TRUE(cache.start("a", a, {}, scratch(), [](const QString& file) {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write("half");
        return false;
    }));
    const QString target = env.write("a.out", "kept");
    EXPECT_EQ(cache.take("a", a, {}, target), Taken::Failed);
    EXPECT_EQ(test::fileContents(target), "kept");
    EXPECT_TRUE(leftOver().isEmpty()) << leftOver().join(' ').toStdString();
}

TEST_F(MadeAheadTest, DiscardingWaitsForTheWorkersAndRemovesWhatWasNotTaken) {
    std::atomic<int> finished{0};
    for (int i = 0; i < 4; ++i) {
        const QString source = env.write(QStringLiteral("s%1.txt").arg(i), "slow");
        ASSERT_TRUE(cache.start(source, source, {}, scratch(), [&finished](const QString& file) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            QFile out(file);
            const bool ok = out.open(QIODevice::WriteOnly) && out.write("done") == 4;
            ++finished;
            return ok;
        }));
    }
    cache.discardAll();
    EXPECT_EQ(finished.load(), 4);
    EXPECT_EQ(cache.size(), 0);
    EXPECT_TRUE(leftOver().isEmpty()) << leftOver().join(' ').toStdString();
}

}  // namespace
}  // namespace brindle
