// Packing: what the archive holds is read back with libzip and with the
// unzip tool; a save that fails must leave the previous archive alone.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "components/zip/zip_component.h"
#include "tests/support/temp_env.h"

namespace brindle {
namespace {

QByteArray noise(int size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = char(gen.generate() & 0xFF);
    }
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Member {
    QString name;  // as libzip reads it by the zip rules
    QByteArray data;
    int method = -1;
};

// Every member of the archive, in order, read with libzip alone.
std::vector<Member> readBack(const QString& archive) {
    std::vector<Member> members;
    int error = 0;
    zip_t* za =
        zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za) {
        ADD_FAILURE() << "libzip cannot open " << archive.toStdString() << ": " << error;
        return members;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        Member m;
        m.name = QString::fromUtf8(zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_STRICT));
        m.method = st.comp_method;
        m.data.resize(qsizetype(st.size));
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        EXPECT_EQ(zip_fread(f, m.data.data(), st.size), zip_int64_t(st.size));
        zip_fclose(f);
        members.push_back(m);
    }
    zip_discard(za);
    return members;
}

std::pair<int, QString> runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

class ZipPack : public ::testing::Test {
protected:
    void SetUp() override { QDir(env.path()).mkpath("work"); }

    // Packs the paths into work/project.bqx; answers the result code.
    int pack(const QStringList& paths) {
        zip.clearFiles();
        for (const QString& p : paths) {
            zip.addFile(p);
        }
        zip.setArchiveName(archive());
        return zip.zip();
    }
    QString archive() const { return env.file("work/project.bqx"); }
    QStringList workEntries() const {
        return QDir(env.file("work")).entryList(QDir::Files | QDir::Hidden);
    }

    test::TempEnv env;
    ZipComponent zip;
};

TEST_F(ZipPack, StoresEveryListedFileFlatUnderItsBareName) {
    const QByteArray toc = QByteArray("gVideosUsed:=0\r\n").repeated(200);
    const QByteArray picture = noise(200000, 1);
    const QByteArray sound = noise(5000, 2);
    const QStringList paths = {
        env.write("work/tocName.toc", toc), env.write("elsewhere/deep/shot1.jpg", picture),
        env.write("work/Café ünï.wav", sound), env.write("work/empty.dat", "")};
    std::vector<std::pair<int, int>> steps;
    QObject::connect(&zip, &ZipComponent::progress,
                     [&](int total, int done) { steps.emplace_back(total, done); });

    ASSERT_EQ(pack(paths), ZipOk) << zip.lastErrorText().toStdString();

    const std::vector<Member> members = readBack(archive());
    ASSERT_EQ(members.size(), 4u);
    // Read by the strict rules, a non-ASCII name only survives with the
    // UTF-8 flag set.
    EXPECT_EQ(members[0].name, "tocName.toc");
    EXPECT_EQ(members[1].name, "shot1.jpg");
    EXPECT_EQ(members[2].name, "Café ünï.wav");
    EXPECT_EQ(members[3].name, "empty.dat");
    EXPECT_EQ(members[0].data, toc);
    EXPECT_EQ(members[1].data, picture);
    EXPECT_EQ(members[2].data, sound);
    EXPECT_TRUE(members[3].data.isEmpty());
    EXPECT_EQ(members[0].method, ZIP_CM_DEFLATE);

    const auto [testCode, testOut] = runTool("unzip", {"-t", archive()});
    EXPECT_EQ(testCode, 0) << testOut.toStdString();
    const auto [listCode, listOut] = runTool("unzip", {"-Z1", archive()});
    EXPECT_EQ(listCode, 0);
    for (const QString& line : listOut.split('\n', Qt::SkipEmptyParts)) {
        EXPECT_FALSE(line.contains('/')) << line.toStdString();
    }
    EXPECT_TRUE(listOut.contains("shot1.jpg\n"));

    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), std::make_pair(4, 0));
    EXPECT_EQ(steps.back(), std::make_pair(4, 4));
    for (size_t i = 1; i < steps.size(); ++i) {
        EXPECT_GE(steps[i].second, steps[i - 1].second);
    }
    EXPECT_EQ(workEntries(), QStringList({"Café ünï.wav", "empty.dat", "project.bqx",
                                          "tocName.toc"}));  // no temporary left
}

TEST_F(ZipPack, WhatItPacksUnpacksIdenticallyWithTimes) {
    const QStringList paths = {env.write("work/a.toc", "x=1\r\n"),
                               env.write("work/clip1.avi", noise(300000, 3))};
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1600000000);
    {
        QFile f(paths[1]);
        f.open(QIODevice::ReadWrite);
        f.setFileTime(stamp, QFileDevice::FileModificationTime);
    }
    ASSERT_EQ(pack(paths), ZipOk);
    QDir(env.path()).mkpath("out");
    zip.setDestination(env.file("out"));
    ASSERT_EQ(zip.unzip(), ZipOk) << zip.lastErrorText().toStdString();
    for (const QString& p : paths) {
        const QString copy = env.file("out/" + QFileInfo(p).fileName());
        EXPECT_EQ(fileBytes(copy), fileBytes(p));
    }
    // Zip keeps times to two seconds.
    EXPECT_LE(std::abs(QFileInfo(env.file("out/clip1.avi")).lastModified().secsTo(stamp)), 2);
}

TEST_F(ZipPack, MissingFilesAreLeftOutWithAWarning) {
    const QStringList paths = {env.write("work/tocName.toc", "t"), env.file("work/gone.jpg")};
    EXPECT_EQ(pack(paths), ZipWarning);
    EXPECT_TRUE(zipSucceeded(ZipWarning));
    EXPECT_TRUE(zip.lastErrorText().contains("gone.jpg"));
    const std::vector<Member> members = readBack(archive());
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].name, "tocName.toc");
}

TEST_F(ZipPack, NothingToPackWritesNothing) {
    EXPECT_EQ(pack({}), ZipNothingListed);
    EXPECT_EQ(pack({env.file("work/gone1"), env.file("work/gone2")}), ZipNothingListed);
    EXPECT_FALSE(zipSucceeded(ZipNothingListed));
    EXPECT_FALSE(QFile::exists(archive()));
    EXPECT_TRUE(workEntries().isEmpty());
    zip.setArchiveName(QString());
    zip.addFile(env.write("work/a", "a"));
    EXPECT_EQ(zip.zip(), ZipBadArgument);
}

TEST_F(ZipPack, OneFileListedTwiceIsStoredOnceButTwoFilesCannotShareAName) {
    const QString toc = env.write("work/tocName.toc", "t");
    EXPECT_EQ(pack({toc, toc, env.file("work/../work/tocName.toc")}), ZipOk);
    EXPECT_EQ(readBack(archive()).size(), 1u);

    const QByteArray before = fileBytes(archive());
    EXPECT_EQ(pack({toc, env.write("other/tocName.toc", "different")}), ZipDuplicateName);
    EXPECT_EQ(fileBytes(archive()), before);
}

TEST_F(ZipPack, ReplacesTheOldArchiveAndKeepsItsPermissions) {
    env.write("work/project.bqx", "an old archive, or something that never was one");
    ::chmod(QFile::encodeName(archive()).constData(), 0640);
    const QString toc = env.write("work/tocName.toc", "new contents");
    ASSERT_EQ(pack({toc}), ZipOk);
    const std::vector<Member> members = readBack(archive());
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].data, "new contents");
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(archive()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(workEntries(), QStringList({"project.bqx", "tocName.toc"}));
}

TEST_F(ZipPack, AFullDiskLeavesThePreviousArchiveIntact) {
    ASSERT_EQ(pack({env.write("work/tocName.toc", "first save")}), ZipOk);
    const QByteArray before = fileBytes(archive());
    const QString big = env.write("work/clip1.avi", noise(2 << 20, 4));

    // A file size limit makes every write past 256 KiB fail as on a full disk.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 256 << 10;
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int code = pack({env.file("work/tocName.toc"), big});
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(code, ZipNoSpace) << zip.lastErrorText().toStdString();
    EXPECT_EQ(fileBytes(archive()), before);
    EXPECT_EQ(workEntries(), QStringList({"clip1.avi", "project.bqx", "tocName.toc"}));
}

TEST_F(ZipPack, AReadOnlyOrMissingFolderLeavesThePreviousArchiveIntact) {
    const QString toc = env.write("work/tocName.toc", "t");
    zip.setArchiveName(env.file("no/such/folder/p.bqx"));
    zip.addFile(toc);
    EXPECT_EQ(zip.zip(), ZipWriteFailed);

    if (::geteuid() == 0) {
        GTEST_SKIP() << "folder permissions do not bind root";
    }
    ASSERT_EQ(pack({toc}), ZipOk);
    const QByteArray before = fileBytes(archive());
    ::chmod(QFile::encodeName(env.file("work")).constData(), 0555);
    const int code = pack({toc, env.write("elsewhere/more.jpg", noise(1000, 5))});
    ::chmod(QFile::encodeName(env.file("work")).constData(), 0755);
    EXPECT_EQ(code, ZipWriteFailed);
    EXPECT_EQ(fileBytes(archive()), before);
}

// Bytes of which every step-th is zero and the rest noise: deflate
// shrinks them by about 13 % (step 4) or 45 % (step 2).
QByteArray partlyNoise(int size, int step) {
    QByteArray bytes = noise(size, 11);
    for (int i = 0; i < size; i += step) {
        bytes[i] = 0;
    }
    return bytes;
}

// What deflate cannot shrink, or shrinks by little (like a recording: a few
// percent at a second per 30 MB), is stored; the rest is deflated.
TEST_F(ZipPack, MembersThatShrinkByLittleOrNothingAreStoredAndTheRestDeflated) {
    const struct {
        const char* name;
        QByteArray bytes;
        int method;
    } members[] = {
        {"work/video1.avi", noise(3 << 20, 6), ZIP_CM_STORE},
        {"work/raw.avi", QByteArray("frame data 0123456789 ").repeated(150000), ZIP_CM_DEFLATE},
        {"work/backtrk.wav", partlyNoise(1 << 20, 4), ZIP_CM_STORE},
        {"work/scan.bmp", partlyNoise(1 << 20, 2), ZIP_CM_DEFLATE},
    };
    QStringList files;
    for (const auto& m : members) {
        files << env.write(m.name, m.bytes);
    }
    ASSERT_EQ(pack(files), ZipOk);
    const std::vector<Member> back = readBack(archive());
    ASSERT_EQ(back.size(), std::size(members));
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].method, members[i].method) << members[i].name;
        EXPECT_EQ(back[i].data, members[i].bytes) << members[i].name;
    }
    EXPECT_EQ(runTool("unzip", {"-t", archive()}).first, 0);
}

TEST_F(ZipPack, LevelZeroStoresAndLevelsOutsideTheRangeAreRefused) {
    EXPECT_EQ(zip.compressionLevel(), 6);
    EXPECT_FALSE(zip.setCompressionLevel(10));
    EXPECT_FALSE(zip.setCompressionLevel(-1));
    EXPECT_EQ(zip.compressionLevel(), 6);
    ASSERT_TRUE(zip.setCompressionLevel(0));
    ASSERT_EQ(pack({env.write("work/text.txt", QByteArray(10000, 'a'))}), ZipOk);
    const std::vector<Member> members = readBack(archive());
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].method, ZIP_CM_STORE);
}

}  // namespace
}  // namespace brindle
