// Unpacking hostile and damaged archives: nothing may land outside the
// destination, nothing may fill the disk, and every such archive ends in an
// error code rather than a crash.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "components/zip/zip_component.h"
#include "tests/components/zip/crafted_zip.h"
#include "tests/support/temp_env.h"

namespace brindle {
namespace {

using test::CraftedMember;
using test::craftZip;

class ZipUnpack : public ::testing::Test {
protected:
    void SetUp() override { QDir(env.path()).mkpath("sandbox/work"); }

    int unpack(const QByteArray& archiveBytes) {
        zip.setArchiveName(env.write("in.bqx", archiveBytes));
        return unpackFile(env.file("in.bqx"));
    }
    int unpackFile(const QString& path) {
        zip.setArchiveName(path);
        zip.setDestination(env.file("sandbox/work"));
        return zip.unzip();
    }
    // Everything in the sandbox around the destination, hidden files too.
    QStringList sandbox() const {
        QStringList all;
        for (const QString& folder : {QString("sandbox"), QString("sandbox/work")}) {
            for (const QString& name : QDir(env.file(folder))
                                           .entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::NoDotAndDotDot | QDir::System)) {
                all.append(folder + "/" + name);
            }
        }
        return all;
    }

    test::TempEnv env;
    ZipComponent zip;
};

TEST_F(ZipUnpack, RefusesNamesThatLeaveTheFolderAndWritesNothing) {
    const QByteArray unsafe[] = {"../evil.txt",  "/abs.txt",   "dir/x.txt",
                                 "..\\evil.txt", "dir\\x.txt", "C:evil.txt",
                                 "a..b",         "..",         "."};
    for (const QByteArray& name : unsafe) {
        const int code = unpack(craftZip({{"good.txt", "fine"}, {name, "gotcha"}}));
        EXPECT_EQ(code, ZipNotRecognised) << name.toStdString();
        EXPECT_TRUE(zip.lastErrorText().contains("unsafe")) << name.toStdString();
        EXPECT_EQ(sandbox(), QStringList({"sandbox/work"})) << name.toStdString();
    }
    EXPECT_FALSE(QFile::exists(env.file("abs.txt")));
    EXPECT_FALSE(QFile::exists("/abs.txt"));
}

TEST_F(ZipUnpack, StopsWhenAMemberInflatesPastItsDeclaredSize) {
    CraftedMember bomb{"bomb.bin", QByteArray(8 << 20, '\0')};
    bomb.declaredSize = 1000;
    const int code = unpack(craftZip({{"first.txt", "kept"}, bomb, {"after.txt", "never"}}));
    EXPECT_FALSE(zipSucceeded(code));
    EXPECT_EQ(code, ZipMemberTooLarge) << zip.lastErrorText().toStdString();
    // The member before the bomb is complete; the bomb left no partial file.
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work", "sandbox/work/first.txt"}));
}

TEST_F(ZipUnpack, RefusesDeclaredSizesBeyondTheFreeSpaceBeforeWriting) {
    CraftedMember huge{"huge.bin", QByteArray(1000, 'x')};
    huge.declaredSize = quint64(1) << 60;  // far beyond any disk
    EXPECT_EQ(unpack(craftZip({{"first.txt", "x"}, huge})), ZipNoSpace);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));

    // Declared sizes that add up past 64 bits.
    CraftedMember a{"a.bin", "a"}, b{"b.bin", "b"};
    a.declaredSize = b.declaredSize = 0xF000000000000000ull;
    EXPECT_EQ(unpack(craftZip({a, b})), ZipNoSpace);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));
}

// Members deflated by zlib: a chunk read from the archive may decode into
// many output chunks, a member may end exactly on a chunk's edge, and a
// damaged stream or a wrong checksum is refused, whichever decoder the build
// uses.
TEST_F(ZipUnpack, ZlibStreamsDecodeWholeAcrossChunksAndDamageIsRefused) {
    constexpr int kChunk = 1 << 20;
    QByteArray varied;
    for (int i = 0; varied.size() < 3 * kChunk + 17; ++i) {
        varied += QByteArray::number(i * 2654435761u % 1000003) + (i % 7 ? " " : "\n");
    }
    const std::vector<CraftedMember> members = {
        {"repeats.txt", QByteArray(5 * kChunk, 'a')},  // one read, many chunks out
        {"edge.bin", QByteArray(kChunk, 'b')},         // ends on a chunk's edge
        {"varied.txt", varied},
        {"empty.txt", QByteArray()},
    };
    const QByteArray archive = craftZip(members);
    ASSERT_EQ(unpack(archive), ZipOk) << zip.lastErrorText().toStdString();
    for (const CraftedMember& m : members) {
        QFile out(env.file("sandbox/work/" + QString::fromLatin1(m.name)));
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << m.name.toStdString();
        EXPECT_TRUE(out.readAll() == m.data) << m.name.toStdString();
    }

    // A byte changed inside the varied member's stream, then its checksum.
    QDir(env.file("sandbox/work")).removeRecursively();
    QDir(env.path()).mkpath("sandbox/work");
    const QByteArray plain = craftZip({{"varied.txt", varied}});
    QByteArray broken = plain;
    const qsizetype middle = broken.size() / 2;
    broken[middle] = char(broken[middle] ^ 0x10);
    EXPECT_EQ(unpack(broken), ZipNotRecognised);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));
    QByteArray badCrc = plain;
    badCrc[14] = char(badCrc[14] ^ 1);  // the local header's CRC-32
    const qsizetype central = badCrc.lastIndexOf("PK\x01\x02");
    ASSERT_GT(central, 0);
    badCrc[central + 16] = char(badCrc[central + 16] ^ 1);  // and the central one
    EXPECT_EQ(unpack(badCrc), ZipNotRecognised);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));
}

TEST_F(ZipUnpack, DamagedAndForeignFilesGiveErrorCodes) {
    ZipComponent packer;
    packer.addFile(env.write("src/tocName.toc", QByteArray("line\r\n").repeated(5000)));
    packer.addFile(env.write("src/b.txt", QByteArray("other\r\n").repeated(5000)));
    packer.setArchiveName(env.file("good.bqx"));
    ASSERT_EQ(packer.zip(), ZipOk);
    QFile f(env.file("good.bqx"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();

    for (qsizetype cut : {good.size() / 2, good.size() - 10, qsizetype(10), qsizetype(0)}) {
        EXPECT_EQ(unpack(good.left(cut)), ZipNotRecognised) << "cut at " << cut;
    }
    // A damaged byte inside the first member's deflated data.
    const auto u16 = [&](int at) { return int(uchar(good[at])) | int(uchar(good[at + 1])) << 8; };
    const int dataStart = 30 + u16(26) + u16(28);
    QByteArray flipped = good;
    flipped[dataStart + 20] = char(flipped[dataStart + 20] ^ 0x55);
    EXPECT_EQ(unpack(flipped), ZipNotRecognised);
    EXPECT_EQ(unpack("gVideosUsed:=0\r\nnot a zip at all\r\n"), ZipNotRecognised);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));

    EXPECT_EQ(unpackFile(env.file("sandbox")), ZipCannotOpen);  // a folder
    EXPECT_EQ(unpackFile(env.file("missing.bqx")), ZipCannotOpen);
    zip.setArchiveName(env.file("good.bqx"));
    zip.setDestination(env.file("no/such/folder"));
    EXPECT_EQ(zip.unzip(), ZipBadArgument);
}

TEST_F(ZipUnpack, EncryptedAndUnknownMethodsAreNotRecognised) {
    CraftedMember locked{"locked.txt", "secret", false};
    locked.flags = 0x0001;
    EXPECT_EQ(unpack(craftZip({locked})), ZipNotRecognised);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));
}

TEST_F(ZipUnpack, ReplacesALinkInTheFolderInsteadOfWritingThroughIt) {
    const QString outside = env.write("outside.txt", "precious");
    ASSERT_TRUE(QFile::link(outside, env.file("sandbox/work/victim.txt")));
    ASSERT_EQ(unpack(craftZip({{"victim.txt", "from the archive"}})), ZipOk);
    QFile kept(outside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "precious");
    const QFileInfo replaced(env.file("sandbox/work/victim.txt"));
    EXPECT_FALSE(replaced.isSymLink());
    EXPECT_EQ(replaced.size(), 16);
}

TEST_F(ZipUnpack, ReadsNamesWrittenOnWindows) {
    CraftedMember utf8Flagged{"Caf\xC3\xA9-flag.txt", "1"};
    utf8Flagged.flags = 0x0800;
    ASSERT_EQ(unpack(craftZip({
                  {"caf\x82-437.txt", "1"},   // DOS code page, as Windows writes
                  {"caf\xE9-1252.txt", "1"},  // Windows-1252
                  {"Gr\x94\xE1"
                   "e.txt",
                   "1"},                          // German in code page 437
                  {"caf\xC3\xA9-utf8.txt", "1"},  // UTF-8 without the flag
                  utf8Flagged,
                  {"stored.txt", "plain", false},  // a stored member
              })),
              ZipOk)
        << zip.lastErrorText().toStdString();
    const QStringList names = QDir(env.file("sandbox/work")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"Café-flag.txt", "Größe.txt", "café-1252.txt", "café-437.txt",
                                  "café-utf8.txt", "stored.txt"}));
}

TEST_F(ZipUnpack, OnlyTheNamedMembersAreExtractedButTheWholeArchiveIsChecked) {
    zip.setOnlyMembers({"b.txt", "missing.txt"});
    EXPECT_EQ(unpack(craftZip({{"a.txt", "1"}, {"b.txt", "2"}, {"c.txt", "3"}})), ZipOk);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work", "sandbox/work/b.txt"}));
    // An unsafe name elsewhere in the archive still refuses all of it.
    QDir(env.file("sandbox/work")).removeRecursively();
    QDir(env.path()).mkpath("sandbox/work");
    EXPECT_EQ(unpack(craftZip({{"b.txt", "2"}, {"../evil.txt", "x"}})), ZipNotRecognised);
    EXPECT_EQ(sandbox(), QStringList({"sandbox/work"}));
    zip.setOnlyMembers({});
    EXPECT_EQ(unpack(craftZip({{"a.txt", "1"}, {"b.txt", "2"}})), ZipOk);
    EXPECT_EQ(sandbox().size(), 3);
}

TEST_F(ZipUnpack, AnEmptyArchiveIsDoneWithAWarning) {
    EXPECT_EQ(unpack(craftZip({})), ZipWarning);
    EXPECT_TRUE(zipSucceeded(zip.unzip()));
}

TEST_F(ZipUnpack, ReportsProgressPerMember) {
    std::vector<std::pair<int, int>> steps;
    QObject::connect(&zip, &ZipComponent::progress,
                     [&](int total, int done) { steps.emplace_back(total, done); });
    ASSERT_EQ(unpack(craftZip({{"a", "1"}, {"b", "2"}, {"c", "3"}})), ZipOk);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), std::make_pair(3, 0));
    EXPECT_EQ(steps.back(), std::make_pair(3, 3));
    EXPECT_NE(std::find(steps.begin(), steps.end(), std::make_pair(3, 2)), steps.end());
}

}  // namespace
}  // namespace brindle
