// Sounds from strangers: a WAV whose sizes lie, one of no samples, a
// six-hour background track. Each is refused quickly with its reason,
// without reading hours of sound into memory.
#include "controls/audiocap/sound_stream.h"
#include "controls/audiocap/wav_header.h"
#include "tests/support/hostile_files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

#include <sstream>

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

// Little-endian RIFF pieces for the header check's cases.
std::string le(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += char((v >> (8 * i)) & 0xFF);
    }
    return out;
}
std::string chunk(const std::string& tag, const std::string& data) {
    return tag + le(std::uint32_t(data.size()), 4) + data + std::string(data.size() % 2, '\0');
}
std::string riff(const std::string& chunks) {
    return "RIFF" + le(std::uint32_t(chunks.size() + 4), 4) + "WAVE" + chunks;
}
const std::string kFormat =
    chunk("fmt ", le(1, 2) + le(1, 2) + le(8000, 4) + le(16000, 4) + le(2, 2) + le(16, 2));

std::string check(const std::string& bytes) {
    std::istringstream in(bytes);
    std::string why;
    return wavHeaderSound(in, bytes.size(), &why) ? "ok" : why;
}

TEST(HostileSoundTest, HeaderCheckWalksChunksAndNamesWhatIsWrong) {
    EXPECT_EQ(check(riff(kFormat + chunk("data", "abcd"))), "ok");
    // An odd-sized chunk is padded to an even length before the next one.
    EXPECT_EQ(check(riff(kFormat + chunk("LIST", "odd") + chunk("data", "ab"))), "ok");
    EXPECT_EQ(check("not a wave file at all"), "ok");  // left to the decoder
    EXPECT_EQ(check(riff(chunk("data", "abcd") + kFormat)), "has its samples before their format");
    EXPECT_EQ(check(riff(kFormat)), "holds no samples");
    EXPECT_EQ(check(riff(chunk("fmt ", std::string(8, '\1')) + chunk("data", "ab"))),
              "has a broken format record");
    EXPECT_EQ(check(riff(chunk("fmt ", std::string(16, '\0')) + chunk("data", "ab"))),
              "has a format with no channels, rate or block size");
    std::string lying = riff(kFormat + chunk("data", "abcd"));
    lying.replace(lying.size() - 8, 4, le(0x7FFFFFFF, 4));
    EXPECT_EQ(check(lying), "is shorter than its header says");
    EXPECT_EQ(check(riff(kFormat + chunk("data", "abcd")).substr(0, 30)),
              "is shorter than its header says");
}

}  // namespace
}  // namespace brindle::sonteval
