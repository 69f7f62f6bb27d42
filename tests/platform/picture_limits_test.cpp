// The programs' limit on one decoded picture: set deliberately, and what
// refuses a picture declaring more than it (and only such a picture).
#include "platform/picture_limits.h"
#include "tests/support/hostile_files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QImageReader>

namespace brindle {
namespace {

TEST(PictureLimitsTest, ThePictureMemoryLimitRefusesOnlyPicturesAboveIt) {
    const int previous = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    setPictureMemoryLimit();
    EXPECT_EQ(QImageReader::allocationLimit(), kPictureMemoryLimitMb);

    test::TempEnv env;
    // 6000 x 6000 pixels of 32 bits: 137 MB, just above the limit.
    const QString over = test::hostile::hugeJpeg(env.path(), "over.jpg", 6000, 6000);
    // 5000 x 5000: 95 MB, below it.
    const QString under = test::hostile::hugeJpeg(env.path(), "under.jpg", 5000, 5000);
    test::hostile::resetPeakMemory();
    {
        QImageReader reader(over);
        EXPECT_TRUE(reader.read().isNull());
        EXPECT_EQ(reader.error(), QImageReader::InvalidDataError)
            << reader.errorString().toStdString();
    }
    {
        QImageReader reader(under);
        EXPECT_EQ(reader.read().size(), QSize(5000, 5000));
    }
    EXPECT_LT(test::hostile::peakMemoryMb(), 300);
    // The same picture above the limit does decode once the limit is raised:
    // the limit, not the file, refused it.
    QImageReader::setAllocationLimit(256);
    EXPECT_EQ(QImageReader(over).read().size(), QSize(6000, 6000));
    QImageReader::setAllocationLimit(previous);
}

}  // namespace
}  // namespace brindle
