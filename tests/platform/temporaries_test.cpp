// The journal of temporary files: what a killed process had made is removed
// at the next start, what a running process makes is left alone, and
// nothing that was not journaled is ever touched.
#include "platform/temporaries.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace brindle {
namespace {

std::string local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Runs body in a child process that then dies by SIGKILL, as a crash
// would end it: no destructor, no clean-up of its own.
template <typename Body>
void inKilledChild(Body body) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        body();
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
}

TEST(TemporariesTest, WhatAKilledProcessMadeIsRemovedAtTheNextStart) {
    test::TempEnv env;
    const QString folder = env.file("docs");
    QDir().mkpath(folder);
    // A user's files, some of them named like temporaries, never journaled.
    const QStringList users = {folder + "/Show.bqx", folder + "/.Show.bqx.abc123.tmp",
                               folder + "/pix1.jpg.abc123", folder + "/AVI000000.AVI"};
    for (const QString& f : users) {
        env.write(QDir(env.path()).relativeFilePath(f), "mine");
    }
    std::string file = local(folder + "/.Show.bqx.XXXXXX.tmp");
    std::string dir = local(env.file("cli-XXXXXX"));
    inKilledChild([&] {
        const int fd = temporaries::makeFile(file, 4, 0666);
        if (fd < 0 || ::write(fd, "half", 4) != 4 || !temporaries::makeFolder(dir)) {
            ::_exit(3);
        }
        QFile inside(QString::fromStdString(dir) + "/Temp.jpg");
        inside.open(QIODevice::WriteOnly);
        inside.write("x");
        inside.close();
        // Made by the rename of a finished save: no longer a temporary.
        std::string done = local(folder + "/pix1.jpg.XXXXXX");
        const int saved = temporaries::makeFile(done, 0, 0666);
        if (saved < 0 || ::rename(done.c_str(), local(folder + "/pix1.jpg").c_str()) != 0) {
            ::_exit(4);
        }
    });
    // The child's names are not known here: they are found in the folder.
    const QStringList made = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(made.size(), users.size() + 2) << made.join(' ').toStdString();
    EXPECT_EQ(QDir(env.path()).entryList({"cli-*"}, QDir::Dirs).size(), 1);

    EXPECT_EQ(temporaries::cleanStale(), 2);
    QStringList left;
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        left << folder + "/" + f;
    }
    left.sort();
    QStringList expected = users;
    expected << folder + "/pix1.jpg";
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(QDir(env.path()).entryList({"cli-*"}, QDir::Dirs).isEmpty());
    EXPECT_TRUE(QDir(QString::fromStdString(temporaries::journalFolder()))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty())
        << "the journal itself is gone";
    EXPECT_EQ(temporaries::cleanStale(), 0);
}

TEST(TemporariesTest, ARunningProcessKeepsItsTemporaries) {
    test::TempEnv env;
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const std::string templ = local(env.file("AVIXXXXXX.AVI"));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string name = templ;
        const int fd = temporaries::makeFile(name, 4);
        char c = fd >= 0 ? '1' : '0';
        [[maybe_unused]] auto w = ::write(ready[1], &c, 1);
        [[maybe_unused]] auto r = ::read(release[0], &c, 1);
        ::raise(SIGKILL);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    EXPECT_EQ(temporaries::cleanStale(), 0) << "its process still runs";
    EXPECT_EQ(QDir(env.path()).entryList({"AVI*.AVI"}, QDir::Files).size(), 1);
    ASSERT_EQ(::write(release[1], "x", 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(temporaries::cleanStale(), 1);
    EXPECT_TRUE(QDir(env.path()).entryList({"AVI*.AVI"}, QDir::Files).isEmpty());
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
}

TEST(TemporariesTest, AForkedChildKeepsAJournalOfItsOwn) {
    test::TempEnv env;
    // This process has a journal (and a live temporary) before it forks.
    std::string mine = local(env.file("mine-XXXXXX"));
    const int fd = temporaries::makeFile(mine);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::string childs = local(env.file("childs-XXXXXX"));
    inKilledChild([&] {
        if (temporaries::makeFile(childs) < 0) {
            ::_exit(3);
        }
    });
    const pid_t normal = ::fork();
    ASSERT_GE(normal, 0);
    if (normal == 0) {
        std::exit(0);  // runs the static destructors of the child
    }
    ::waitpid(normal, nullptr, 0);
    EXPECT_EQ(temporaries::cleanStale(), 1) << "the killed child's file, not ours";
    EXPECT_TRUE(QFile::exists(QString::fromStdString(mine)));
    EXPECT_TRUE(QDir(env.path()).entryList({"childs-*"}).isEmpty());
    ::unlink(mine.c_str());
}

TEST(TemporariesTest, FinishingRemovesWhatTheProcessLeftAndItsJournal) {
    // In a child, as the program's quick end runs it: what it made is
    // removed and its journal goes; a temporary made afterwards is journaled
    // anew, so a crash then still leaves it to the next start.
    test::TempEnv env;
    inKilledChild([&] {
        std::string first = local(env.file("AVIXXXXXX.AVI"));
        if (temporaries::makeFile(first, 4) < 0) {
            return;
        }
        temporaries::finish();
        if (!QDir(QString::fromStdString(temporaries::journalFolder()))
                 .entryList(QDir::Files)
                 .isEmpty()) {
            return;  // the journal stayed: no WAV below
        }
        std::string second = local(env.file("WAVXXXXXX.WAV"));
        temporaries::makeFile(second, 4);
    });
    EXPECT_TRUE(QDir(env.path()).entryList({"AVI*.AVI"}, QDir::Files).isEmpty());
    EXPECT_EQ(QDir(env.path()).entryList({"WAV*.WAV"}, QDir::Files).size(), 1);
    EXPECT_EQ(temporaries::cleanStale(), 1);
    EXPECT_TRUE(QDir(env.path()).entryList({"WAV*.WAV"}, QDir::Files).isEmpty());
}

TEST(TemporariesTest, TemplatesNeedSixXAndNamesMatchOnlyWholeTags) {
    test::TempEnv env;
    std::string bad = local(env.file("noTag.tmp"));
    EXPECT_EQ(temporaries::makeFile(bad, 4), -1);
    std::string good = local(env.file("a-XXXXXX"));
    const int fd = temporaries::makeFile(good);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString name = QFileInfo(QString::fromStdString(good)).fileName();
    EXPECT_EQ(name.size(), 8);
    EXPECT_TRUE(name.startsWith("a-"));
    EXPECT_NE(name, "a-XXXXXX");
    ::unlink(good.c_str());
}

}  // namespace
}  // namespace brindle
