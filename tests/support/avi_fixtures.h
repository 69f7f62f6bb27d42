// Test clips made with the ffmpeg program, and an independent reader that
// looks at an AVI file with libavformat/libavcodec: its frames, key frames,
// packets and sound, and single decoded pictures.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace brindle::test {

struct ClipRecipe {
    QString codec = "mpeg4";  // "mpeg4", "mjpeg" or "rawvideo"
    int frames = 100;
    int width = 160;
    int height = 120;
    bool sound = true;  // 22050 Hz 16-bit mono PCM, a little longer than the video
};

// A clip made to recipe in dir (15 frames per second, a key frame every 15
// frames); clips are made once per test program and copied. Empty when the
// ffmpeg program failed.
QString makeClip(const QString& dir, const ClipRecipe& recipe, const QString& name = "clip.avi");

struct ClipInfo {
    bool ok = false;
    QString format;  // demuxer name
    QString codec;
    int width = 0;
    int height = 0;
    std::vector<bool> keys;           // one per video packet, in order
    std::vector<QByteArray> packets;  // the video packets' bytes
    std::int64_t decodedFrames = 0;   // frames that decode, to the end
    int sampleRate = 0;
    std::int64_t audioSamples = 0;  // PCM samples of the first sound stream
    QByteArray pcm;                 // and their bytes
    int blockAlign = 0;

    std::int64_t frames() const { return static_cast<std::int64_t>(packets.size()); }
};

ClipInfo readClip(const QString& path);

// Frame n decoded to 24-bit B,G,R rows, top row first, without padding.
std::vector<std::uint8_t> decodeFrameBgr(const QString& path, std::int64_t n, int* width = nullptr,
                                         int* height = nullptr);

// Peak signal-to-noise ratio in dB between two pictures of the same size.
double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

QByteArray fileBytes(const QString& path);

// Names in a folder (files only).
QStringList filesIn(const QString& dir);

}  // namespace brindle::test
