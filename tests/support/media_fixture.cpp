#include "tests/support/media_fixture.h"

#include <QProcess>

namespace brindle::test {

bool runFfmpeg(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y"} + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

namespace {

int toneRate(const QString& codec) {
    if (codec == "real_144") {
        return 8000;
    }
    if (codec == "ac3") {
        return 44100;
    }
    return 22050;
}

QString tone(int rate, double seconds, int frequencyHz) {
    return QString("sine=f=%1:r=%2:d=%3").arg(frequencyHz).arg(rate).arg(seconds);
}

}  // namespace

bool makeTone(const QString& path, const QString& codec, double seconds, int frequencyHz) {
    return runFfmpeg({"-f", "lavfi", "-i", tone(toneRate(codec), seconds, frequencyHz), "-ac", "1",
                      "-c:a", codec, path});
}

bool makeClip(const QString& path, const QString& videoCodec, int width, int height, double seconds,
              const QString& audioCodec) {
    QStringList args{"-f", "lavfi", "-i",
                     QString("testsrc2=s=%1x%2:r=15:d=%3").arg(width).arg(height).arg(seconds)};
    if (!audioCodec.isEmpty()) {
        args += {"-f",  "lavfi", "-i",   tone(toneRate(audioCodec), seconds, 440),
                 "-ac", "1",     "-c:a", audioCodec};
    }
    args += {"-c:v", videoCodec, "-b:v", "300k", "-g", "15", path};
    return runFfmpeg(args);
}

QString probe(const QString& path, const QString& entry) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", entry, "-of",
                        "default=noprint_wrappers=1:nokey=1", path});
    if (!p.waitForFinished(60000)) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace brindle::test
