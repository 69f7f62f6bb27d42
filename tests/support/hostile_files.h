// Files a user gets from strangers, made at test time: pictures that declare
// enormous sizes or lie about their contents, clips with broken indexes or
// absurd shapes, sounds whose headers lie. Each maker writes into dir and
// answers the file's path (empty when a tool it needs failed).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle::test::hostile {

// Pictures whose headers declare 65535 x 65535 pixels, with a few bytes of
// picture data after them.
QString hugeJpeg(const QString& dir, const QString& name = "huge.jpg", int width = 65535,
                 int height = 65535);
QString hugePng(const QString& dir, const QString& name = "huge.png");
QString hugeBmp(const QString& dir, const QString& name = "huge.bmp");
QString hugeGif(const QString& dir, const QString& name = "huge.gif");
// A 16 x 16 GIF of 10,000 one-pixel frames.
QString manyFramesGif(const QString& dir, const QString& name = "frames.gif", int frames = 10000);
// A 640 x 480 JPEG cut off after 40 % of its bytes.
QString truncatedJpeg(const QString& dir, const QString& name = "truncated.jpg");
// A BMP whose headers claim 4000 x 3000 pixels and a 36 MB file, followed by
// only 300 bytes of pixels.
QString lyingBmp(const QString& dir, const QString& name = "lying.bmp");
// A zip archive (one stored member) named as a picture.
QString zipAsJpeg(const QString& dir, const QString& name = "archive.jpg");
// A sound picture of a given size, for comparison: a plain, good JPEG.
QString goodJpeg(const QString& dir, const QString& name = "good.jpg", int width = 320,
                 int height = 240);

// Clips (need the ffmpeg program).
// A good 30-frame clip whose idx1 entries all point past the end of the file.
QString lyingIndexAvi(const QString& dir, const QString& name = "lying-index.avi");
// An AVI with a video stream and no frame at all.
QString zeroFrameAvi(const QString& dir, const QString& name = "zero-frames.avi");
// Three frames of 100,000 x 2 pixels.
QString tallThinAvi(const QString& dir, const QString& name = "wide.avi");

// Sounds.
// One second of tone whose RIFF and data sizes claim far more than is there.
QString lyingWav(const QString& dir, const QString& name = "lying.wav");
// A well-formed WAV of 0 samples.
QString emptyWav(const QString& dir, const QString& name = "empty.wav");
// Six hours of 22050 Hz mono silence; sparse, so it takes no disk.
QString sixHourWav(const QString& dir, const QString& name = "six-hours.wav");

// The bytes of a WAV header for PCM of the given shape and data size.
QByteArray wavHeader(int channels, int rate, int bits, std::uint32_t dataBytes,
                     std::uint32_t riffBytes);
// CRC-32 as zip and PNG use it.
std::uint32_t crc32(const QByteArray& bytes);

// A program run in a child process of its own, with its peak memory.
struct MeasuredRun {
    bool finished = false;  // false: killed at the time limit
    bool crashed = false;   // ended by a signal
    int status = -1;        // exit code
    double peakMb = 0;      // the child's peak resident memory
    QByteArray err;         // what it wrote on standard error
};
MeasuredRun runMeasured(const QString& program, const QStringList& args, int timeoutMs);
// Whether this build runs under AddressSanitizer (memory figures are then
// the sanitizer's, not the program's).
bool underSanitizer();

// The peak resident memory of this process in MB since the last reset
// (VmHWM); resetPeakMemory() makes the current use the new starting peak.
double peakMemoryMb();
void resetPeakMemory();

}  // namespace brindle::test::hostile
