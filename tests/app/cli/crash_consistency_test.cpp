// Kills brindle-cli with SIGKILL in the middle of its file work — saving a
// project, saving it over another, saving it in place, cutting a clip,
// writing a text slide, packing a publication — at points spread over all
// the file writes, renames and removals it makes. After every kill the
// file is the old one or the new one, whole, and the next start of the
// program leaves no temporary of the killed run behind.
//
// BRINDLE_KILL_POINTS sets the number of points per operation (default 8;
// the recorded run used 50).
#include "tests/support/avi_fixtures.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <zip.h>

#include <functional>
#include <set>

namespace brindle::test {
namespace {

using Members = QMap<QByteArray, QByteArray>;

// Every member of a zip archive, read with libzip; empty when it does not
// open or a member does not read whole.
Members membersOf(const QString& path) {
    Members out;
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!z) {
        return out;
    }
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_file_t* f = zip_fopen_index(z, i, 0);
        if (!f || zip_stat_index(z, i, 0, &st) != 0) {
            out.clear();
            break;
        }
        QByteArray bytes(static_cast<qsizetype>(st.size), '\0');
        const zip_int64_t got = zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        if (got != static_cast<zip_int64_t>(st.size)) {
            out.clear();
            break;
        }
        out.insert(st.name, bytes);
    }
    zip_close(z);
    return out;
}

int killPoints() {
    const int n = qEnvironmentVariableIntValue("BRINDLE_KILL_POINTS");
    return n > 0 ? n : 8;
}

QStringList entriesOf(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

class CrashConsistencyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The sample project (pictures, a clip, narrations, captions) and a
        // clip, made once: every kill starts from copies of them.
        s_env = new TempEnv;
        s_dir = new QTemporaryDir;
        const ProgramRun made = makeSampleProject(s_dir->filePath("Sample.bqx"));
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        ClipRecipe recipe;
        recipe.frames = 150;
        recipe.width = 320;
        recipe.height = 240;
        const QString clip = makeClip(s_dir->path(), recipe, "clip.avi");
        ASSERT_FALSE(clip.isEmpty());
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
        delete s_env;
        s_env = nullptr;
    }

    QString docs() const { return env.file("docs"); }
    QString doc(const QString& name) const { return docs() + "/" + name; }
    static QString original(const QString& name) { return s_dir->filePath(name); }

    // Puts fresh copies of the given originals (name -> name in docs).
    void restore(const QMap<QString, QString>& copies) {
        QDir(docs()).removeRecursively();
        QDir().mkpath(docs());
        QDir(env.file("home/uploads")).removeRecursively();
        for (auto it = copies.begin(); it != copies.end(); ++it) {
            ASSERT_TRUE(QFile::copy(original(it.key()), doc(it.value())));
        }
    }

    // Runs brindle-cli with the kill shim; killAt 0 runs to the end and
    // answers in *points how many points it passed.
    ProgramRun run(const QStringList& args, long killAt, long* points = nullptr) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("LD_PRELOAD", BRINDLE_KILL_SHIM);
        // A sanitizer runtime must otherwise come first of all libraries.
        e.insert("ASAN_OPTIONS", e.value("ASAN_OPTIONS") + (e.contains("ASAN_OPTIONS") ? ":" : "") +
                                     "verify_asan_link_order=0");
        const QString report = env.file("points.txt");
        if (killAt > 0) {
            e.insert("BRINDLE_KILL_AT", QString::number(killAt));
        } else {
            e.insert("BRINDLE_KILL_REPORT", report);
        }
        p.setProcessEnvironment(e);
        p.start(programPath("brindle-cli"), args);
        ProgramRun r = finishProgram(p, 120000);
        if (points) {
            *points = fileContents(report).trimmed().toLong();
        }
        return r;
    }

    // The next start of the program, which clears what a killed run left.
    void nextStart() { runProgram("brindle-cli", {}, 60000); }

    void expectNoTemporaries(const QStringList& allowedInDocs, const QString& what) {
        const QStringList left = entriesOf(docs());
        for (const QString& name : left) {
            EXPECT_TRUE(allowedInDocs.contains(name))
                << what.toStdString() << ": " << name.toStdString();
        }
        const QString cache = env.file("cache/brindle");
        EXPECT_TRUE(entriesOf(cache + "/journals").isEmpty()) << what.toStdString();
        EXPECT_TRUE(QDir(cache).entryList({"cli-*"}, QDir::Dirs).isEmpty()) << what.toStdString();
        for (const QString& name : entriesOf(env.file("home/uploads"))) {
            EXPECT_EQ(name, "project.zip") << what.toStdString();
        }
    }

    // Runs the operation once to its end (the new state), then kills it at
    // points spread over all it does; check() judges each outcome.
    void killEverywhere(const QString& name, const std::function<void()>& setUp,
                        const QStringList& args, const std::function<void()>& takeNew,
                        const std::function<void(const QString&)>& check,
                        const QStringList& allowedInDocs) {
        setUp();
        long total = 0;
        const ProgramRun clean = run(args, 0, &total);
        ASSERT_EQ(clean.status, 0) << name.toStdString() << ": " << clean.err.toStdString();
        ASSERT_GT(total, 0);
        takeNew();
        std::set<long> points;
        const int wanted = killPoints();
        for (int i = 1; i <= wanted; ++i) {
            points.insert(std::max(1L, (total * i) / wanted));
        }
        int killed = 0;
        for (const long at : points) {
            setUp();
            const ProgramRun r = run(args, at);
            killed += r.status == -1 ? 1 : 0;
            nextStart();
            const QString what =
                QStringLiteral("%1 killed at %2 of %3").arg(name).arg(at).arg(total);
            check(what);
            expectNoTemporaries(allowedInDocs, what);
        }
        EXPECT_GE(killed, static_cast<int>(points.size()) - 1)
            << name.toStdString() << ": runs that ended before their kill point";
        std::printf("%s: %d kills over %ld points\n", qPrintable(name), killed, total);
    }

    // The project at path is byte for byte the old file, or holds exactly
    // the members of the new one.
    void expectOldOrNew(const QString& path, const QByteArray& oldBytes, const Members& fresh,
                        const QString& what) {
        const QByteArray now = fileContents(path);
        if (now == oldBytes) {
            return;
        }
        const Members members = membersOf(path);
        EXPECT_FALSE(members.isEmpty()) << what.toStdString() << ": neither old nor a whole zip";
        EXPECT_EQ(members.keys(), fresh.keys()) << what.toStdString();
        EXPECT_TRUE(members == fresh) << what.toStdString() << ": members differ";
    }

    static TempEnv* s_env;
    static QTemporaryDir* s_dir;
    TempEnv env;
};

TempEnv* CrashConsistencyTest::s_env = nullptr;
QTemporaryDir* CrashConsistencyTest::s_dir = nullptr;

TEST_F(CrashConsistencyTest, SavingANewProjectFileLeavesNoneOrAWholeOne) {
    Members fresh;
    killEverywhere(
        "save",
        [&] {
            restore({{"Sample.bqx", "Sample.bqx"}});
        },
        {"resave", doc("Sample.bqx"), doc("New.bqx")},
        [&] {
            fresh = membersOf(doc("New.bqx"));
            ASSERT_GE(fresh.size(), 5);
        },
        [&](const QString& what) {
            expectOldOrNew(doc("New.bqx"), "<missing>", fresh, what);
            EXPECT_EQ(fileContents(doc("Sample.bqx")), fileContents(original("Sample.bqx")));
        },
        {"Sample.bqx", "New.bqx"});
}

TEST_F(CrashConsistencyTest, SaveAsOverAnotherProjectKeepsTheOtherUntilTheNewIsWhole) {
    // The project saved over: a different one, with one text slide.
    ASSERT_EQ(runProgram("brindle-cli", {"text", original("Other.bqx"), "Other project"}).status,
              0);
    const QByteArray other = fileContents(original("Other.bqx"));
    Members fresh;
    killEverywhere(
        "save as over a file",
        [&] {
            restore({{"Sample.bqx", "Sample.bqx"}, {"Other.bqx", "Other.bqx"}});
        },
        {"resave", doc("Sample.bqx"), doc("Other.bqx")},
        [&] { fresh = membersOf(doc("Other.bqx")); },
        [&](const QString& what) { expectOldOrNew(doc("Other.bqx"), other, fresh, what); },
        {"Sample.bqx", "Other.bqx"});
}

TEST_F(CrashConsistencyTest, ResavingInPlaceKeepsTheProjectWhole) {
    const QByteArray old = fileContents(original("Sample.bqx"));
    Members fresh;
    killEverywhere(
        "resave in place",
        [&] {
            restore({{"Sample.bqx", "Sample.bqx"}});
        },
        {"resave", doc("Sample.bqx"), doc("Sample.bqx")},
        [&] { fresh = membersOf(doc("Sample.bqx")); },
        [&](const QString& what) { expectOldOrNew(doc("Sample.bqx"), old, fresh, what); },
        {"Sample.bqx"});
}

TEST_F(CrashConsistencyTest, WritingATextSlideKeepsTheProjectWhole) {
    const QByteArray old = fileContents(original("Sample.bqx"));
    Members fresh;
    killEverywhere(
        "text slide",
        [&] {
            restore({{"Sample.bqx", "Sample.bqx"}});
        },
        {"text", doc("Sample.bqx"), "Written while killed"},
        [&] {
            fresh = membersOf(doc("Sample.bqx"));
            ASSERT_GT(fresh.size(), membersOf(original("Sample.bqx")).size());
        },
        [&](const QString& what) { expectOldOrNew(doc("Sample.bqx"), old, fresh, what); },
        {"Sample.bqx"});
}

TEST_F(CrashConsistencyTest, CuttingAClipLeavesTheOldOrTheNewClipWhole) {
    const ClipInfo old = readClip(original("clip.avi"));
    ASSERT_EQ(old.decodedFrames, 150);
    ClipInfo fresh;
    killEverywhere(
        "clip cut",
        [&] {
            restore({{"clip.avi", "clip.avi"}});
        },
        {"cut", doc("clip.avi"), "5", "140"},
        [&] {
            fresh = readClip(doc("clip.avi"));
            ASSERT_EQ(fresh.decodedFrames, 136);
        },
        [&](const QString& what) {
            const ClipInfo now = readClip(doc("clip.avi"));
            ASSERT_TRUE(now.ok) << what.toStdString();
            const ClipInfo& expected = now.frames() == old.frames() ? old : fresh;
            EXPECT_EQ(now.packets, expected.packets) << what.toStdString();
            EXPECT_EQ(now.decodedFrames, expected.decodedFrames) << what.toStdString();
            EXPECT_EQ(now.pcm, expected.pcm) << what.toStdString();
        },
        {"clip.avi"});
}

TEST_F(CrashConsistencyTest, PublishingKeepsTheProjectAndPacksAWholeArchiveOrNone) {
    const QByteArray project = fileContents(original("Sample.bqx"));
    Members fresh;
    killEverywhere(
        "publish packing",
        [&] {
            restore({{"Sample.bqx", "Sample.bqx"}});
        },
        {"present", doc("Sample.bqx"), "--publish"},
        [&] {
            fresh = membersOf(env.file("home/uploads/project.zip"));
            ASSERT_FALSE(fresh.isEmpty());
        },
        [&](const QString& what) {
            EXPECT_EQ(fileContents(doc("Sample.bqx")), project) << what.toStdString();
            expectOldOrNew(env.file("home/uploads/project.zip"), "<missing>", fresh, what);
        },
        {"Sample.bqx"});
}

}  // namespace
}  // namespace brindle::test
