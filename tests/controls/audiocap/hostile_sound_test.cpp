// Sounds from strangers: a WAV whose sizes lie, one of no samples, a
// six-hour background track. Each is refused quickly with its reason,
// without reading hours of sound into memory.
#include "controls/audiocap/sound_stream.h"
#include "tests/support/hostile_files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

namespace brindle::sonteval {
namespace {

TEST(HostileSoundTest, LyingEmptyAndHoursLongSoundsAreRefusedWithTheirReason) {
    test::TempEnv env;
    struct Case {
        QString path;
        std::string reason;
    };
    const Case cases[] = {
        {test::hostile::lyingWav(env.path()), "is shorter than its header says"},
        {test::hostile::emptyWav(env.path()), "holds no samples"},
        {test::hostile::sixHourWav(env.path()), "is too long"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.path.isEmpty());
        SCOPED_TRACE(c.path.toStdString());
        test::hostile::resetPeakMemory();
        QElapsedTimer clock;
        clock.start();
        std::string why;
        EXPECT_FALSE(readSoundFile(QFile::encodeName(c.path).toStdString(), &why));
        EXPECT_EQ(why, c.reason);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_LT(test::hostile::peakMemoryMb(), 300);
    }
}

}  // namespace
}  // namespace brindle::sonteval
