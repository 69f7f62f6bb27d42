// Which stored names count as flat, and how names without the UTF-8 mark
// are read.
#include <gtest/gtest.h>

#include "components/zip/member_names.h"

namespace brindle::zipnames {
namespace {

TEST(MemberNames, OrdinaryFileNamesAreFlat) {
    for (const char* name : {"tocName.toc", "shot12.jpg", "Café ünï.wav", ".hidden", "a.b.c",
                             "1:2.txt", "name with blanks.avi"}) {
        EXPECT_TRUE(isFlatName(QString::fromUtf8(name))) << name;
    }
    for (const char* name : {"", "a/b", "/a", "a\\b", "..", "x..", "C:a", "z:", "."}) {
        EXPECT_FALSE(isFlatName(QString::fromUtf8(name))) << name;
    }
    // Cut short at its NUL on disk, it would land on another member's file.
    EXPECT_FALSE(isFlatName(QString::fromUtf8(QByteArray("a.jpg\0.txt", 10))));
}

TEST(MemberNames, UnmarkedEightBitNamesPickTheCodePageTheirLettersFit) {
    // libzip's strict reading of an unmarked name is its CP437 reading.
    auto unmarked = [](const QByteArray& raw) {
        return decodeName(raw, decodeCp437(raw).toUtf8());
    };
    EXPECT_EQ(unmarked("M\x81ller.txt"), "Müller.txt");       // 437
    EXPECT_EQ(unmarked("M\xFCller.txt"), "Müller.txt");       // 1252
    EXPECT_EQ(unmarked("\x80uro.txt"), "Çuro.txt");           // 437 letter wins a tie
    EXPECT_EQ(unmarked("d\xE9j\xE0 vu.txt"), "déjà vu.txt");  // 1252
    EXPECT_EQ(unmarked("plain.txt"), "plain.txt");
    // A name libzip took from a Unicode path field is kept.
    EXPECT_EQ(decodeName("fallback.txt", "Ünïcode.txt"), "Ünïcode.txt");
}

}  // namespace
}  // namespace brindle::zipnames
