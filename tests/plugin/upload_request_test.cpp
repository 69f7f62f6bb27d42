// The upload request built from a field list and the page's values: the
// worked example byte for byte against its golden copy, the grammar's edge
// cases, and files that must not leave the upload folder.
#include "plugin/upload_folder.h"
#include "plugin/upload_job.h"
#include "tests/support/golden_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace kestrum {
namespace {

class Recorder final : public Reporter {
public:
    void status(int message) override { messages.push_back("status " + std::to_string(message)); }
    void internalFailure(int check) override {
        messages.push_back("internal " + std::to_string(check));
    }
    std::vector<std::string> messages;
};

// An empty zip archive: the end-of-directory record alone.
const QByteArray kZip("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);

class UploadRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir.path()).mkpath("uploads"));
        folder = dir.filePath("uploads").toStdString();
        request = folder + "/POSTBODY-test01.TMP";
    }

    QString put(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    // Both passes; true when the request file was written.
    bool build(const std::string& stream, bool withData = true) {
        text = stream;
        UploadInput in;
        in.data = withData ? text.c_str() : nullptr;
        in.dataLength = text.size();
        in.param = [this](std::string_view name) -> const char* {
            for (const auto& [n, v] : params) {
                if (n.size() == name.size() &&
                    strncasecmp(n.c_str(), name.data(), name.size()) == 0) {
                    return v.c_str();
                }
            }
            return nullptr;
        };
        in.folder = folder;
        in.requestFile = request;
        return buildRequest(in, kBoundary, 0, state, report) &&
               buildRequest(in, kBoundary, 1, state, report);
    }

    QByteArray requestBytes() const { return brindle::test::fileContents(request.c_str()); }
    // The request's body, after its two header lines.
    QByteArray body() const {
        const QByteArray all = requestBytes();
        return all.mid(all.indexOf("\r\n\r\n") + 4);
    }
    static QByteArray part(const QByteArray& headerLine, const QByteArray& content) {
        return "--" + QByteArray(kBoundary.data(), kBoundary.size()) +
               "\r\nContent-Disposition: form-data; name=\"" + headerLine + "\r\n\r\n" + content +
               "\r\n";
    }
    static QByteArray closing() {
        return "--" + QByteArray(kBoundary.data(), kBoundary.size()) + "--\r\n";
    }

    QTemporaryDir dir;
    std::string folder, request, text;
    std::vector<std::pair<std::string, std::string>> params;
    BuildState state;
    Recorder report;
};

TEST_F(UploadRequestTest, WorkedExampleMatchesTheGoldenRequest) {
    put("uploads/project.zip", kZip);
    params = {{"TOURL", "http://example.invalid/upload"},
              {"projectfile", "C:\\uploads\\project.zip"}};
    ASSERT_TRUE(build("projectfile FILE\r\nContent-Type: application/octet-stream\r\n\r\n"))
        << report.messages.front();
    EXPECT_TRUE(report.messages.empty());
    EXPECT_TRUE(brindle::test::matchesGolden(request.c_str(),
                                             BRINDLE_PLUGIN_GOLDEN "/worked-example.request"));
    EXPECT_EQ(state.length, std::uint64_t(body().size()));
    EXPECT_TRUE(requestBytes().contains("\r\nContent-Length: " + QByteArray::number(body().size()) +
                                        "\r\n\r\n"));
}

TEST_F(UploadRequestTest, FieldLinesFindTheirValuesWhateverTheLetterCase) {
    put("uploads/project.zip", kZip);
    params = {{"projectfile", "project.zip"},
              {"Title", "Harbour"},
              {"TITLE", "second, ignored"},
              {"note", "kept"}};
    // Upper-case field line and keyword in any case; a second block without
    // headers; an unknown keyword; a field the page has no value for; the
    // last block ended by the end of the text, without an empty line.
    ASSERT_TRUE(
        build("PROJECTFILE file\nX-Kind: zip\n\n  title\tTEXT rest ignored\n\n"
              "missing FILE\n\nnote\nX-A: 1"))
        << report.messages.front();
    const QByteArray path = QByteArray::fromStdString(folder) + "/project.zip";
    EXPECT_TRUE(brindle::test::sameBytes(
        part("PROJECTFILE\"; filename=\"" + path + "\"\r\nX-Kind: zip", kZip) +
            part("title\"", "Harbour") + part("missing\"", "") + part("note\"\r\nX-A: 1", "kept") +
            closing(),
        body()));

    // The same with the last header line's end: nothing changes.
    ASSERT_TRUE(build("note\nX-A: 1\n"));
    EXPECT_EQ(body(), part("note\"\r\nX-A: 1", "kept") + closing());
    // A NUL ends the text.
    ASSERT_TRUE(build(std::string("note\n\n\0title\n\n", 14)));
    EXPECT_EQ(body(), part("note\"", "kept") + closing());
}

TEST_F(UploadRequestTest, PageFolderValuesMapToTheUploadFolder) {
    put("uploads/x.zip", "x-bytes");
    params = {{"a", "c:\\Uploads\\x.zip"}, {"b", folder + "/x.zip"}};
    ASSERT_TRUE(build("a FILE\n\nb FILE\n\n")) << report.messages.front();
    EXPECT_EQ(body(), part("a\"; filename=\"c:\\Uploads\\x.zip\"", "x-bytes") +
                          part("b\"; filename=\"" + QByteArray::fromStdString(folder) + "/x.zip\"",
                               "x-bytes") +
                          closing());
    // The folder's own name compares with its letter case on Linux.
    std::string upper = folder;
    upper.replace(upper.size() - 7, 7, "UPLOADS");
    EXPECT_EQ(localPath(upper + "/x.zip", folder), folder + "/" + upper + "/x.zip");
    EXPECT_EQ(localPath("C:\\UPLOADS\\sub\\x.zip", folder), folder + "/sub/x.zip");
}

TEST_F(UploadRequestTest, BrokenOrEmptyStreams) {
    params = {{"a", "1"}};
    EXPECT_FALSE(build("a\r\nheader\rmore\r\n\r\n"));
    EXPECT_EQ(report.messages, std::vector<std::string>{"status 13"});
    report.messages.clear();
    EXPECT_FALSE(build("a\r"));
    EXPECT_EQ(report.messages, std::vector<std::string>{"status 13"});
    report.messages.clear();

    ASSERT_TRUE(build("  \t  "));
    EXPECT_EQ(state.length, 42u);
    EXPECT_EQ(body(), closing());

    EXPECT_FALSE(build("", false));
    EXPECT_EQ(report.messages, std::vector<std::string>{"internal 1372"});
}

TEST_F(UploadRequestTest, FilesOutsideTheFolderAreRefused) {
    put("secret.txt", "secret");
    ASSERT_TRUE(QDir(dir.path()).mkpath("uploads-evil"));
    put("uploads-evil/x.zip", "evil");
    ASSERT_EQ(::symlink(dir.filePath("secret.txt").toLocal8Bit(), (folder + "/link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.filePath("uploads-evil").toLocal8Bit(), (folder + "/sib").c_str()), 0);
    put("uploads/POSTBODY-test01.TMP", "");
    const struct {
        const char* value;
        const char* message;
    } cases[] = {
        {"..\\x.zip", "status 9"},
        {"a..b", "status 9"},
        {"link", "status 9"},                 // a link inside pointing out
        {"sib/x.zip", "status 9"},            // into a sibling "uploads-evil"
        {"POSTBODY-test01.TMP", "status 9"},  // the request itself
        {"/etc/passwd", "status 10"},         // put under the folder: no such file
        {"C:\\UPLOADS\\missing.zip", "status 10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        params = {{"f", c.value}};
        report.messages.clear();
        EXPECT_FALSE(build("f FILE\n\n"));
        EXPECT_EQ(report.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(requestBytes().contains("secret") || requestBytes().contains("evil"));
    }
}

TEST_F(UploadRequestTest, AFileThatChangesBetweenThePassesFails) {
    const QString zip = put("uploads/project.zip", kZip);
    params = {{"f", "project.zip"}};
    text = "f FILE\n\n";
    UploadInput in;
    in.data = text.c_str();
    in.dataLength = text.size();
    in.param = [](std::string_view) { return "project.zip"; };
    in.folder = folder;
    in.requestFile = request;
    ASSERT_TRUE(buildRequest(in, kBoundary, 0, state, report));
    put("uploads/project.zip", kZip + "more");
    EXPECT_FALSE(buildRequest(in, kBoundary, 1, state, report));
    EXPECT_EQ(report.messages, std::vector<std::string>{"status 10"});
}

TEST_F(UploadRequestTest, AFourGigabyteFileIsRefusedNotWrapped) {
    ASSERT_EQ(::truncate(put("uploads/big.zip", "").toLocal8Bit(), off_t(4) << 30), 0);
    params = {{"f", "big.zip"}};
    EXPECT_FALSE(build("f FILE\n\n"));
    EXPECT_EQ(report.messages, std::vector<std::string>{"status 9"});
}

TEST_F(UploadRequestTest, RequestFilesAreUniqueAndNeedTheFolder) {
    std::string a, b;
    ASSERT_TRUE(createRequestFile(folder, a));
    ASSERT_TRUE(createRequestFile(folder, b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(folder + "/POSTBODY-", 0), 0u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(b)));
    EXPECT_FALSE(createRequestFile(folder + "/absent", a));

    request = folder + "/absent/POSTBODY.TMP";
    EXPECT_FALSE(build("a\n\n"));
    EXPECT_EQ(report.messages, std::vector<std::string>{"status 11"});
}

}  // namespace
}  // namespace kestrum
