#include "app/editor/wav_sound.h"

#include "app/editor/slide_strip.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTest>

namespace brindle {
namespace {

QByteArray pactl(const QStringList& args, bool* ok = nullptr) {
    QProcess p;
    p.start("pactl", args);
    const bool done =
        p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok) {
        *ok = done;
    }
    return p.readAllStandardOutput();
}

TEST(WavSound, ScrollClickReachesTheSoundServer) {
    bool server = false;
    pactl({"info"}, &server);
    if (!server) {
        GTEST_SKIP() << "no sound server";
    }
    playWavFile(SlideStrip::scrollSoundPath());
    // The call has returned; the stream shows up on the server shortly.
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = !pactl({"list", "short", "sink-inputs"}).trimmed().isEmpty();
        if (!seen) {
            QTest::qWait(10);
        }
    }
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace brindle
