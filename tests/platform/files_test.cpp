#include "platform/files.h"

#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <sys/types.h>

namespace brindle {
namespace {

TEST(PathParts, SplitAtTheLastSeparator) {
    EXPECT_EQ(DirPart("/a/b.jpg"), "/a/");
    EXPECT_EQ(FileNamePart("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(DirPart("b.jpg"), "");
    EXPECT_EQ(FileNamePart("b.jpg"), "b.jpg");
    EXPECT_EQ(DirPart("/a/b/"), "/a/b/");
    EXPECT_EQ(FileNamePart("/a/b/"), "");
    EXPECT_EQ(FileNamePart(""), "");
    // A colon is an ordinary file-name character here, not a drive.
    EXPECT_EQ(DirPart("C:name"), "");
    EXPECT_EQ(FileNamePart("C:name"), "C:name");
}

TEST(TextHelpers, QuoteArgTrimsBlanksOnly) {
    EXPECT_EQ(QuoteArg("  x y "), "\"x y\"");
    EXPECT_EQ(QuoteArg(""), "\"\"");
    EXPECT_EQ(QuoteArg("   "), "\"\"");
    EXPECT_EQ(QuoteArg("\tx"), "\"\tx\"");
}

TEST(TextHelpers, EscapeAnglesLeavesAmpersands) {
    EXPECT_EQ(EscapeAngles("a<b>&"), "a&lt;b&gt;&");
    EXPECT_EQ(EscapeAngles("<<>>"), "&lt;&lt;&gt;&gt;");
    EXPECT_EQ(EscapeAngles("plain \"text\""), "plain \"text\"");
}

TEST(TempFolder, IsPerUserAndEndsInSeparator) {
    test::TempEnv env;
    EXPECT_EQ(GetTempFolder(), env.file("cache") + "/brindle/");
}

TEST(Wildcards, MatchLikeTheShell) {
    EXPECT_TRUE(files::wildcardMatch("*.*", "noextension"));
    EXPECT_TRUE(files::wildcardMatch("*", "a.b.c"));
    EXPECT_TRUE(files::wildcardMatch("*.jpg", "Photo.JPG"));
    EXPECT_FALSE(files::wildcardMatch("*.jpg", "photo.jpeg"));
    EXPECT_TRUE(files::wildcardMatch("image?.rp", "image1.rp"));
    EXPECT_FALSE(files::wildcardMatch("image?.rp", "image12.rp"));
    EXPECT_TRUE(files::wildcardMatch("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(files::wildcardMatch("a*b*c", "aXXbYY"));
}

TEST(KillFiles, DeletesMatchingFilesButNotFolders) {
    test::TempEnv env;
    env.write("w/one.jpg", "1");
    env.write("w/two.txt", "2");
    env.write("w/.hidden", "3");
    env.write("w/noext", "4");
    env.write("w/sub/kept.jpg", "5");
    EXPECT_TRUE(KillFiles(env.file("w") + "/*.jpg"));
    EXPECT_FALSE(QFile::exists(env.file("w/one.jpg")));
    EXPECT_TRUE(QFile::exists(env.file("w/two.txt")));

    EXPECT_TRUE(KillFiles(env.file("w") + "/*.*"));
    EXPECT_EQ(QDir(env.file("w")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"sub"});
    EXPECT_TRUE(QFile::exists(env.file("w/sub/kept.jpg")));
    EXPECT_FALSE(KillFiles(env.file("missing") + "/*"));
}

TEST(IsNotPlainFile, OnlyOrdinaryFilesArePlain) {
    test::TempEnv env;
    const QString file = env.write("f.txt", "x");
    EXPECT_FALSE(IsNotPlainFile(file));
    QFile::setPermissions(file, QFile::ReadOwner);  // read-only is still plain
    EXPECT_FALSE(IsNotPlainFile(file));
    EXPECT_TRUE(IsNotPlainFile(env.path()));
    EXPECT_TRUE(IsNotPlainFile(env.file("missing")));
    EXPECT_TRUE(IsNotPlainFile(""));
    const QByteArray fifo = env.file("pipe").toUtf8();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    EXPECT_TRUE(IsNotPlainFile(env.file("pipe")));
}

TEST(FileCopy, ReplacesTheTargetAndFailsCleanly) {
    test::TempEnv env;
    const QString a = env.write("a", "new bytes");
    const QString b = env.write("b", "old bytes that are longer");
    EXPECT_TRUE(files::copyFile(a, b));
    QFile f(b);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "new bytes");
    EXPECT_TRUE(files::copyFile(a, a));  // onto itself: nothing to do
    EXPECT_FALSE(files::copyFile(env.file("missing"), b));
    EXPECT_FALSE(files::copyFile(a, env.file("nofolder/x")));
    EXPECT_FALSE(files::copyFile("", b));
    EXPECT_TRUE(files::deleteFile(b));
    EXPECT_TRUE(files::deleteFile(b));  // already gone
}

TEST(NameFilters, PairsBecomeQtFilters) {
    EXPECT_EQ(files::nameFilters("Project File: (*.bqx)|*.bqx"),
              QStringList{"Project File: (*.bqx)"});
    EXPECT_EQ(files::nameFilters("Bitmaps|*.bmp|JPEGs |*.jpeg;*.jpg|dangling"),
              (QStringList{"Bitmaps (*.bmp)", "JPEGs (*.jpeg *.jpg)"}));
    EXPECT_TRUE(files::nameFilters("").isEmpty());
}

}  // namespace
}  // namespace brindle
