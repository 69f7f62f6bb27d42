// Opening decoders and reading frames, on clips made by the ffmpeg program.
#include "platform/ffmpeg/decoder.h"

#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace brindle::ff {
namespace {

struct Counted {
    std::int64_t frames = 0;
    std::int64_t samples = 0;
};

Counted readAll(AVFormatContext* in, OpenStream& s, ReadState& state) {
    Packet packet = makePacket();
    Frame frame = makeFrame();
    Counted n;
    while (receiveFrame(in, s.decoder.get(), s.index, packet.get(), frame.get(), state)) {
        ++n.frames;
        n.samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    return n;
}

TEST(Decoder, ReadsEveryPictureAndSampleAndAgainAfterASeek) {
    QTemporaryDir dir;
    test::ClipRecipe recipe;
    recipe.frames = 30;
    const QString path = test::makeClip(dir.path(), recipe);
    ASSERT_FALSE(path.isEmpty());
    const test::ClipInfo info = test::readClip(path);
    ASSERT_TRUE(info.ok);

    Input in = openInput(path.toUtf8().constData());
    ASSERT_NE(in, nullptr);
    OpenStream video = openBestStream(in.get(), AVMEDIA_TYPE_VIDEO);
    OpenStream sound = openBestStream(in.get(), AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(video.decoder, nullptr);
    ASSERT_NE(sound.decoder, nullptr);
    EXPECT_NE(video.index, sound.index);
    EXPECT_EQ(video.decoder->pkt_timebase.den, in->streams[video.index]->time_base.den);

    ReadState state;
    EXPECT_EQ(readAll(in.get(), video, state).frames, 30);
    EXPECT_TRUE(state.eof);
    EXPECT_FALSE(state.damaged);

    // Back to the start: with the state reset and the decoder flushed, the
    // sound reads whole.
    ASSERT_GE(av_seek_frame(in.get(), -1, 0, AVSEEK_FLAG_BACKWARD), 0);
    avcodec_flush_buffers(sound.decoder.get());
    state = {};
    EXPECT_EQ(readAll(in.get(), sound, state).samples, info.audioSamples);
    EXPECT_FALSE(state.damaged);

    const OpenStream none = openBestStream(in.get(), AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(none.index, -1);
    EXPECT_EQ(none.decoder, nullptr);
    EXPECT_EQ(none.error, AVERROR_STREAM_NOT_FOUND);
}

TEST(Decoder, AStreamWithoutADecoderSaysSo) {
    AVFormatContext* raw = avformat_alloc_context();
    ASSERT_NE(raw, nullptr);
    Input holder(raw);
    AVStream* st = avformat_new_stream(raw, nullptr);
    ASSERT_NE(st, nullptr);
    st->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    st->codecpar->codec_id = AV_CODEC_ID_NONE;
    int err = 0;
    EXPECT_EQ(openDecoder(st, kOneThread, &err), nullptr);
    EXPECT_EQ(err, AVERROR_DECODER_NOT_FOUND);
}

}  // namespace
}  // namespace brindle::ff
