// The writer: files it writes read back with FFmpeg's own demuxer and
// decoders (tests/support/avi_fixtures), and every failure comes back as
// the step that failed.
#include "platform/ffmpeg/writer.h"

#include "tests/support/avi_fixtures.h"
#include "tests/support/media_fixture.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <thread>

namespace brindle::ff {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 20;
constexpr int kRate = 8000;
constexpr int kChunk = 400;  // samples per sound frame
constexpr int kChunks = 40;  // two seconds

Codec openVideoEncoder() {
    Codec enc(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_MPEG4)));
    enc->width = kWidth;
    enc->height = kHeight;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1, 10};
    enc->framerate = {10, 1};
    enc->gop_size = 5;
    EXPECT_GE(avcodec_open2(enc.get(), enc->codec, nullptr), 0);
    return enc;
}

Codec openPcmEncoder() {
    Codec enc(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE)));
    enc->sample_rate = kRate;
    enc->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&enc->ch_layout, 1);
    enc->time_base = {1, kRate};
    EXPECT_GE(avcodec_open2(enc.get(), enc->codec, nullptr), 0);
    return enc;
}

// A grey picture whose brightness tells its number.
Frame picture(int number) {
    Frame f = makeFrame();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = kWidth;
    f->height = kHeight;
    av_frame_get_buffer(f.get(), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane ? kHeight / 2 : kHeight;
        for (int y = 0; y < rows; ++y) {
            std::memset(f->data[plane] + y * f->linesize[plane], plane ? 128 : 40 + number * 8,
                        plane ? kWidth / 2 : kWidth);
        }
    }
    f->pts = number;
    return f;
}

// Sound whose every sample tells its position, so lost, doubled or
// reordered chunks show.
std::int16_t sampleAt(int i) {
    return static_cast<std::int16_t>(i % 30000);
}

class WriterTest : public ::testing::Test {
protected:
    std::string file(const char* name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(WriterTest, PicturesAndSoundFedFromTwoThreadsReadBackWhole) {
    Writer out;
    const std::string path = file("both.avi");
    ASSERT_TRUE(out.open(path, "avi").ok());
    Codec video = openVideoEncoder();
    Codec sound = openPcmEncoder();
    Status status;
    const int v = out.addStream(video.get(), &status);
    const int a = out.addStream(sound.get(), &status);
    ASSERT_EQ(v, 0);
    ASSERT_EQ(a, 1);
    ASSERT_TRUE(out.writeHeader().ok());

    // The sound comes from a thread of its own, as a capture callback's would.
    Status soundStatus;
    std::thread feeder([&] {
        Frame chunk = makeFrame();
        for (int c = 0; c < kChunks && soundStatus.ok(); ++c) {
            chunk->format = AV_SAMPLE_FMT_S16;
            chunk->sample_rate = kRate;
            av_channel_layout_default(&chunk->ch_layout, 1);
            chunk->nb_samples = kChunk;
            av_frame_get_buffer(chunk.get(), 0);
            auto* samples = reinterpret_cast<std::int16_t*>(chunk->data[0]);
            for (int i = 0; i < kChunk; ++i) {
                samples[i] = sampleAt(c * kChunk + i);
            }
            chunk->pts = c * kChunk;
            soundStatus = out.encode(a, chunk.get());
            av_frame_unref(chunk.get());
        }
        if (soundStatus.ok()) {
            soundStatus = out.encode(a, nullptr);
        }
    });
    Status pictureStatus;
    for (int n = 0; n < kFrames && pictureStatus.ok(); ++n) {
        pictureStatus = out.encode(v, picture(n).get());
    }
    feeder.join();
    ASSERT_TRUE(pictureStatus.ok());
    ASSERT_TRUE(soundStatus.ok());
    ASSERT_TRUE(out.encode(v, nullptr).ok());
    ASSERT_TRUE(out.finish().ok());
    EXPECT_FALSE(out.isOpen());

    const test::ClipInfo info = test::readClip(QString::fromStdString(path));
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.codec, "mpeg4");
    EXPECT_EQ(info.width, kWidth);
    EXPECT_EQ(info.frames(), kFrames);
    EXPECT_EQ(info.decodedFrames, kFrames);
    EXPECT_EQ(info.keys.front(), true);
    EXPECT_EQ(info.sampleRate, kRate);
    ASSERT_EQ(info.audioSamples, kChunk * kChunks);
    const auto* read = reinterpret_cast<const std::int16_t*>(info.pcm.constData());
    int wrong = 0;
    for (int i = 0; i < kChunk * kChunks; ++i) {
        wrong += read[i] != sampleAt(i);
    }
    EXPECT_EQ(wrong, 0);
    // Brightness follows the frame numbers: no picture lost or swapped.
    const std::vector<std::uint8_t> first = test::decodeFrameBgr(QString::fromStdString(path), 0);
    const std::vector<std::uint8_t> last =
        test::decodeFrameBgr(QString::fromStdString(path), kFrames - 1);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(last.empty());
    EXPECT_LT(first[0] + 100, last[0]);
}

TEST_F(WriterTest, AFileNotFinishedIsRemovedAndAFinishedOneStays) {
    const std::string abandoned = file("abandoned.avi");
    {
        Writer out;
        ASSERT_TRUE(out.open(abandoned, "avi").ok());
        Codec sound = openPcmEncoder();
        Status status;
        ASSERT_EQ(out.addStream(sound.get(), &status), 0);
        ASSERT_TRUE(out.writeHeader().ok());
        EXPECT_TRUE(QFile::exists(QString::fromStdString(abandoned)));
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(abandoned)));

    Writer out;
    const std::string discarded = file("discarded.wav");
    ASSERT_TRUE(out.open(discarded, nullptr).ok());  // the muxer guessed from the name
    Codec sound = openPcmEncoder();
    Status status;
    ASSERT_EQ(out.addStream(sound.get(), &status), 0);
    out.discard();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(discarded)));
    EXPECT_FALSE(out.finish().ok());  // nothing left to finish

    // Reopened, a header but no samples: a finished, empty sound file.
    const std::string kept = file("kept.wav");
    ASSERT_TRUE(out.open(kept, "wav").ok());
    ASSERT_EQ(out.addStream(sound.get(), &status), 0);
    ASSERT_TRUE(out.writeHeader().ok());
    ASSERT_TRUE(out.finish().ok());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(kept)));

    EXPECT_TRUE(Writer::wantsGlobalHeader("mp4"));
    EXPECT_FALSE(Writer::wantsGlobalHeader("avi"));
}

TEST_F(WriterTest, PacketsCodedElsewhereKeepTheirTagAndTiming) {
    // Packets of an encoder the writer does not own, under a stream made
    // from parameters alone, as a capture writes them.
    Codec enc = openVideoEncoder();
    AVCodecParameters* par = avcodec_parameters_alloc();
    ASSERT_GE(avcodec_parameters_from_context(par, enc.get()), 0);
    par->codec_tag = MKTAG('F', 'M', 'P', '4');
    const std::string path = file("coded.avi");
    Writer out;
    ASSERT_TRUE(out.open(path, "avi").ok());
    Status status;
    // A period of 1/15 s written as 66666 µs would drift; the stream keeps
    // the fraction it is given.
    const AVRational period{1, 15};
    EXPECT_EQ(out.addPacketStream(par, period, {15, 1}, &status), 0);
    avcodec_parameters_free(&par);
    ASSERT_TRUE(out.writeHeader().ok());
    const std::int64_t header = out.bytesWritten();
    EXPECT_GT(header, 0);
    Packet packet = makePacket();
    for (int n = 0; n < kFrames; ++n) {
        Frame f = picture(n);
        ASSERT_TRUE(encode(enc.get(), f.get(), packet.get(), [&](AVPacket* p) {
                        p->pts = p->dts = n;  // in the stream's own period
                        p->duration = 1;
                        return out.write(0, p);
                    }).ok());
    }
    ASSERT_TRUE(encode(enc.get(), nullptr, packet.get(), [&](AVPacket* p) {
                    return out.write(0, p);
                }).ok());
    EXPECT_GT(out.bytesWritten(), header);
    // No stream once the header is out.
    AVCodecParameters* late = avcodec_parameters_alloc();
    late->codec_type = AVMEDIA_TYPE_AUDIO;
    EXPECT_EQ(out.addPacketStream(late, {1, 8000}, {0, 1}, &status), -1);
    avcodec_parameters_free(&late);
    ASSERT_TRUE(out.finish().ok());
    EXPECT_EQ(out.bytesWritten(), -1);

    const test::ClipInfo clip = test::readClip(QString::fromStdString(path));
    ASSERT_TRUE(clip.ok);
    EXPECT_EQ(clip.frames(), kFrames);
    EXPECT_EQ(clip.decodedFrames, kFrames);
    EXPECT_EQ(test::probe(QString::fromStdString(path), "stream=codec_tag_string"), "FMP4");
    EXPECT_EQ(test::probe(QString::fromStdString(path), "stream=time_base"), "1/15");
}

TEST_F(WriterTest, FailuresNameTheStepThatFailed) {
    Writer out;
    const Status cannotCreate = out.open(file("no/such/folder/x.avi"), "avi");
    EXPECT_EQ(cannotCreate.step, Status::Step::Output);
    EXPECT_EQ(cannotCreate.code, AVERROR(ENOENT));
    EXPECT_FALSE(out.isOpen());

    // A packet over the stream's limit is refused, with its size; nothing
    // is muxed before the header.
    ASSERT_TRUE(out.open(file("limited.avi"), "avi").ok());
    Codec video = openVideoEncoder();
    Status status;
    const int v = out.addStream(video.get(), &status, 16);
    ASSERT_EQ(v, 0);
    EXPECT_EQ(out.encode(v, picture(0).get()).step, Status::Step::Output);
    ASSERT_TRUE(out.writeHeader().ok());
    const Status tooLarge = out.encode(v, picture(1).get());
    EXPECT_EQ(tooLarge.step, Status::Step::PacketTooLarge);
    EXPECT_GT(tooLarge.packetSize, 16);

    // A sound frame longer than the encoder takes is the encoder's failure.
    Codec aac(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_AAC)));
    aac->sample_rate = 44100;
    aac->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&aac->ch_layout, 1);
    aac->time_base = {1, 44100};
    ASSERT_GE(avcodec_open2(aac.get(), aac->codec, nullptr), 0);
    Frame tooLong = makeFrame();
    tooLong->format = AV_SAMPLE_FMT_FLTP;
    tooLong->sample_rate = 44100;
    av_channel_layout_default(&tooLong->ch_layout, 1);
    tooLong->nb_samples = aac->frame_size * 2;
    ASSERT_GE(av_frame_get_buffer(tooLong.get(), 0), 0);
    Packet scratch = makePacket();
    int sunk = 0;
    const Status refused = encode(aac.get(), tooLong.get(), scratch.get(), [&](AVPacket*) {
        ++sunk;
        return Status{};
    });
    EXPECT_EQ(refused.step, Status::Step::Encoder);
    EXPECT_EQ(sunk, 0);

    // Streams come before the header.
    const int late = out.addStream(aac.get(), &status);
    EXPECT_EQ(late, -1);
    EXPECT_EQ(status.step, Status::Step::Output);
}

}  // namespace
}  // namespace brindle::ff
