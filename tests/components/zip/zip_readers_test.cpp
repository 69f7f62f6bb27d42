// What the zip component writes must open in every reader a user may try:
// the unzip tool, Python's zipfile and libzip, also in the ZIP64 forms; and
// what it reads back on several threads must be the same bytes, with a
// damaged member still refused.
#include <sys/resource.h>
#include <zip.h>
#include <zlib.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "components/zip/zip_component.h"
#include "components/zip/zip_format.h"
#include "tests/support/temp_env.h"

namespace brindle {
namespace {

QByteArray noise(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, '\0');
    gen.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Text-like bytes that deflate well but not trivially, several blocks long.
QByteArray prose(qsizetype size, quint32 seed) {
    static const char* const words[] = {"slide ", "clip ", "narration ", "caption ", "picture ",
                                        "the ",   "and ",  "of ",        "\r\n",     "Velmora "};
    QRandomGenerator gen(seed);
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        bytes.append(words[gen.bounded(10)]);
    }
    bytes.truncate(size);
    return bytes;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ToolRun {
    int code = -1;
    QString out;
};

ToolRun run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

// Python's zipfile: testzip() finds no bad member, and each member's bytes
// have the MD5 of the file they came from ("name md5" lines).
ToolRun pythonCheck(const QString& archive) {
    return run("python3", {"-c",
                           "import hashlib, sys, zipfile\n"
                           "z = zipfile.ZipFile(sys.argv[1])\n"
                           "bad = z.testzip()\n"
                           "if bad: sys.exit('bad member ' + bad)\n"
                           "for i in z.infolist():\n"
                           "    print(i.filename, hashlib.md5(z.read(i)).hexdigest(),"
                           " i.compress_type)\n",
                           archive});
}

QString md5(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// Each member through libzip with its consistency checks on.
QMap<QString, QByteArray> libzipMembers(const QString& archive) {
    QMap<QString, QByteArray> members;
    int error = 0;
    zip_t* za =
        zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za) {
        ADD_FAILURE() << "libzip cannot open the archive: " << error;
        return members;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        EXPECT_EQ(zip_fread(f, data.data(), st.size), zip_int64_t(st.size)) << st.name;
        zip_fclose(f);
        members.insert(QString::fromUtf8(zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_STRICT)),
                       data);
    }
    zip_discard(za);
    return members;
}

class ZipReaders : public ::testing::Test {
protected:
    void SetUp() override { QDir(env.path()).mkpath("out"); }
    void TearDown() override { zipformat::setZip64LimitForTests(0); }

    // Writes the files, packs them, answers the archive's path.
    QString pack(const QMap<QString, QByteArray>& files) {
        zip.clearFiles();
        for (auto it = files.begin(); it != files.end(); ++it) {
            zip.addFile(env.write("in/" + it.key(), it.value()));
        }
        zip.setArchiveName(env.file("project.bqx"));
        EXPECT_EQ(zip.zip(), ZipOk) << zip.lastErrorText().toStdString();
        return env.file("project.bqx");
    }

    // Every reader gets back exactly the files.
    void expectReadEverywhere(const QString& archive, const QMap<QString, QByteArray>& files) {
        const ToolRun test = run("unzip", {"-t", archive});
        EXPECT_EQ(test.code, 0) << test.out.toStdString();
        EXPECT_TRUE(test.out.contains("No errors detected")) << test.out.toStdString();

        const ToolRun python = pythonCheck(archive);
        ASSERT_EQ(python.code, 0) << python.out.toStdString();
        for (auto it = files.begin(); it != files.end(); ++it) {
            EXPECT_TRUE(python.out.contains(it.key() + " " + md5(it.value())))
                << it.key().toStdString() << "\n"
                << python.out.toStdString();
        }

        EXPECT_EQ(libzipMembers(archive), files);

        QDir(env.file("out")).removeRecursively();
        QDir(env.path()).mkpath("out");
        zip.setDestination(env.file("out"));
        ASSERT_EQ(zip.unzip(), ZipOk) << zip.lastErrorText().toStdString();
        for (auto it = files.begin(); it != files.end(); ++it) {
            EXPECT_EQ(fileBytes(env.file("out/" + it.key())), it.value()) << it.key().toStdString();
        }
        EXPECT_EQ(QDir(env.file("out")).entryList(QDir::Files | QDir::Hidden).size(),
                  files.size());  // no temporary left
    }

    test::TempEnv env;
    ZipComponent zip;
};

TEST_F(ZipReaders, DeflatedStoredAndEmptyMembersOpenInEveryReader) {
    const QMap<QString, QByteArray> files{
        // Deflated across several blocks, each with the one before as its
        // dictionary: the joined output must be one stream.
        {"tocName.toc", prose(3 * (1 << 20) + 12345, 1)},
        {"sound1.wav", prose(700000, 2)},
        // Stored by its name, and by a sample that does not shrink.
        {"image1.jpg", noise(1500000, 3)},
        {"video1.avi", noise(2 * (1 << 20) + 7, 4)},
        {"image1.rp", QByteArray()},
        {"Légende ünï.txt", "non-ASCII name"},
    };
    const QString archive = pack(files);
    expectReadEverywhere(archive, files);

    const ToolRun python = pythonCheck(archive);
    EXPECT_TRUE(python.out.contains(" 8\n"));  // some member deflated
    EXPECT_TRUE(python.out.contains("image1.jpg " + md5(files["image1.jpg"]) + " 0"));
    EXPECT_TRUE(python.out.contains("video1.avi " + md5(files["video1.avi"]) + " 0"));
    // Deflated about as well as one stream would be.
    EXPECT_LT(QFileInfo(archive).size(), 1500000 + 2 * (1 << 20) + 1200000);
}

TEST_F(ZipReaders, AMemberWithTheBytesOfAnEarlierOneIsCopiedAndReadsTheSame) {
    // The same picture on three slides, and one of the same size but other
    // bytes; the copies' data is taken from the first one's.
    const QByteArray scan = prose(2 * (1 << 20) + 99, 7);
    QByteArray other = scan;
    other[1 << 20] = 'X';
    const QMap<QString, QByteArray> files{
        {"image1.bmp", scan}, {"image2.bmp", other},  {"image3.bmp", scan},
        {"image4.bmp", scan}, {"tocName.toc", "x=1"},
    };
    const QString archive = pack(files);
    expectReadEverywhere(archive, files);
    // The archive holds the copies' bytes in full (no shared data).
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, nullptr);
    ASSERT_TRUE(za);
    zip_stat_t first, copy;
    zip_stat(za, "image1.bmp", 0, &first);
    zip_stat(za, "image4.bmp", 0, &copy);
    EXPECT_EQ(copy.comp_size, first.comp_size);
    EXPECT_EQ(copy.crc, first.crc);
    EXPECT_EQ(copy.comp_method, ZIP_CM_DEFLATE);
    zip_discard(za);
}

TEST_F(ZipReaders, EachLevelDeflatesManyBlocksIntoOneStreamWithTheRightCrc) {
    // A 30000-byte pattern over four whole blocks: each block finds the
    // pattern only in the dictionary it carries from the one before. A
    // member ending one byte into a block, and one that does not shrink.
    QByteArray repeated;
    const QByteArray pattern = noise(30000, 40);
    while (repeated.size() < (4 << 20)) {
        repeated.append(pattern);
    }
    repeated.truncate(4 << 20);
    const QMap<QString, QByteArray> files{
        {"image1.bmp", repeated},
        {"tocName.toc", prose((3 << 20) + 1, 41)},
        {"notes.txt", noise(400000, 42)},
    };
    for (const int level : {1, 3, 6, 9}) {
        SCOPED_TRACE(level);
        ASSERT_TRUE(zip.setCompressionLevel(level));
        const QString archive = pack(files);
        expectReadEverywhere(archive, files);
        zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, nullptr);
        ASSERT_TRUE(za);
        for (auto it = files.begin(); it != files.end(); ++it) {
            zip_stat_t st;
            ASSERT_EQ(zip_stat(za, it.key().toUtf8().constData(), 0, &st), 0);
            EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE) << it.key().toStdString();
            EXPECT_EQ(st.crc, crc32_z(0, reinterpret_cast<const Bytef*>(it.value().constData()),
                                      size_t(it.value().size())))
                << it.key().toStdString();
            if (it.key() == "image1.bmp" && level >= 6) {
                // The pattern once, the rest references (about 64 KB): blocks
                // without their dictionary would cost the pattern again in
                // each (over 150 KB). The faster levels' matching does not
                // reach 30000 bytes back.
                EXPECT_LT(st.comp_size, 110000u);
            }
        }
        zip_discard(za);
    }
}

TEST_F(ZipReaders, TheZip64FormsOpenInEveryReader) {
    // With the limit lowered, sizes, offsets and the directory's place all
    // take their ZIP64 fields, as they would past 4 GiB.
    zipformat::setZip64LimitForTests(100000);
    const QMap<QString, QByteArray> files{
        {"tocName.toc", prose(300000, 5)},
        {"image1.jpg", noise(250000, 6)},
        {"small.txt", "below the limit, but at an offset past it"},
        {"zcopy.toc", prose(300000, 5)},  // copied from tocName.toc
    };
    const QString archive = pack(files);
    expectReadEverywhere(archive, files);
    const ToolRun listing = run("unzip", {"-Zv", archive});
    EXPECT_EQ(listing.out.count("PKWARE 64-bit sizes"), 4) << listing.out.toStdString();
    EXPECT_TRUE(listing.out.contains("minimum software version required to extract:   4.5"));
}

TEST_F(ZipReaders, LargeArchivesUnpackOnSeveralThreadsAndStillRefuseDamage) {
    // Enough bytes for the extraction to be shared out between threads.
    QMap<QString, QByteArray> files;
    for (int i = 0; i < 6; ++i) {
        files.insert(QString("image%1.jpg").arg(i), noise(2 << 20, 10 + i));
        files.insert(QString("sound%1.wav").arg(i), prose(900000, 20 + i));
    }
    const QString archive = pack(files);
    std::vector<std::pair<int, int>> steps;
    QObject::connect(&zip, &ZipComponent::progress,
                     [&](int total, int done) { steps.emplace_back(total, done); });
    expectReadEverywhere(archive, files);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(12, 12));

    // One flipped byte in the middle of a stored member's data.
    QByteArray bytes = fileBytes(archive);
    const qsizetype at = bytes.indexOf(files["image3.jpg"].mid(1000, 64));
    ASSERT_GT(at, 0);
    bytes[at] = char(bytes[at] ^ 0x55);
    const QString damaged = env.write("damaged.bqx", bytes);
    QDir(env.file("out")).removeRecursively();
    QDir(env.path()).mkpath("out");
    zip.setArchiveName(damaged);
    EXPECT_EQ(zip.unzip(), ZipNotRecognised);
    EXPECT_TRUE(zip.lastErrorText().contains("image3.jpg")) << zip.lastErrorText().toStdString();
    EXPECT_FALSE(QFile::exists(env.file("out/image3.jpg")));
    for (const QString& name : QDir(env.file("out")).entryList(QDir::Files | QDir::Hidden)) {
        EXPECT_FALSE(name.startsWith('.')) << name.toStdString();  // no temporary left
    }
}

}  // namespace
}  // namespace brindle
