// Small sound and video fixtures made with the ffmpeg command-line tool.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle::test {

// Runs "ffmpeg -nostdin -v error -y ARGS..."; true when it ran and succeeded.
bool runFfmpeg(const QStringList& args);

// A tone of the given length: "real_144" (8000 Hz mono), "ac3" (44100 Hz
// mono) or "pcm_s16le" (22050 Hz mono, for .wav and .avi).
bool makeTone(const QString& path, const QString& codec, double seconds, int frequencyHz = 440);

// A moving test picture of the given size at 15 frames per second, with the
// given video codec ("rv20", "rv10", "mpeg4"), and a tone when audioCodec is
// not empty.
bool makeClip(const QString& path, const QString& videoCodec, int width, int height, double seconds,
              const QString& audioCodec = {});

// Runs ffprobe and answers the value of one entry (e.g. "format=duration").
QString probe(const QString& path, const QString& entry);

}  // namespace brindle::test
