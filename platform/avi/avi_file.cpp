#include "platform/avi/avi_file.h"

#include "platform/avi/avi_input.h"

namespace brindle::avi {

std::unique_ptr<AviFile> AviFile::open(const std::string& path, std::string* why) {
    std::string reason;
    auto fail = [&](std::string text) -> std::unique_ptr<AviFile> {
        if (why) {
            *why = std::move(text);
        }
        return nullptr;
    };
    int err = 0;
    ff::Input input = ff::openInput(path.c_str(), &err);
    if (!input) {
        return fail("cannot read " + path + ": " + ff::errorText(err));
    }
    if (!isAvi(input.get())) {
        return fail(path + " is not an AVI file");
    }
    std::unique_ptr<AviFile> file(new AviFile);
    file->m_videoIndex = firstStream(input.get(), AVMEDIA_TYPE_VIDEO);
    file->m_audioIndex = firstStream(input.get(), AVMEDIA_TYPE_AUDIO);
    if (file->m_videoIndex < 0) {
        return fail(path + " has no video stream");
    }
    file->m_frames = VideoFrames::read(input.get(), file->m_videoIndex);
    if (file->m_frames.count() <= 0) {
        return fail(path + " has no video frames");
    }
    // Frame decoding reads only the video stream.
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (static_cast<int>(i) != file->m_videoIndex) {
            input->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (!file->m_decoder.open(input->streams[file->m_videoIndex], &reason)) {
        return fail(path + ": " + reason);
    }
    file->m_path = path;
    file->m_input = std::move(input);
    file->m_packet = ff::makePacket();
    file->m_held = ff::makeFrame();
    std::vector<std::uint8_t> first;
    if (!file->frameDib(0, &first)) {
        return fail(path + ": the first frame does not decode");
    }
    file->m_firstDibSize = first.size();
    return file;
}

int AviFile::width() const {
    return m_input->streams[m_videoIndex]->codecpar->width;
}

int AviFile::height() const {
    return m_input->streams[m_videoIndex]->codecpar->height;
}

AVRational AviFile::frameDuration() const {
    return m_input->streams[m_videoIndex]->time_base;
}

bool AviFile::frameDib(std::int64_t n, std::vector<std::uint8_t>* out) {
    std::lock_guard<std::mutex> hold(m_lock);
    return decodeLocked(n, out);
}

bool AviFile::decodeLocked(std::int64_t n, std::vector<std::uint8_t>* out) {
    if (n < 0 || n >= m_frames.count()) {
        return false;
    }
    if (n == m_heldNumber) {
        return m_toDib.convert(m_held.get(), out);
    }
    // Going on from the frame decoded last saves a seek when the frames are
    // asked for in order within one group.
    const std::int64_t key = m_frames.keyAtOrBefore(n);
    const bool forward = m_heldNumber >= 0 && m_heldNumber < n && key <= m_heldNumber && !m_atEnd;
    if (!forward) {
        if (av_seek_frame(m_input.get(), m_videoIndex, key, AVSEEK_FLAG_BACKWARD) < 0 &&
            avformat_seek_file(m_input.get(), -1, INT64_MIN, 0, INT64_MAX, 0) < 0) {
            return false;
        }
        m_decoder.reset(key);
        av_frame_unref(m_held.get());
        m_heldNumber = -1;
        m_atEnd = false;
    }

    bool found = false;
    bool converted = false;
    auto sink = [&](AVFrame* frame, std::int64_t number) {
        if (number > n && m_heldNumber >= 0) {
            // n is a dropped frame: it shows the picture before it.
            converted = m_toDib.convert(m_held.get(), out);
            found = true;
        }
        av_frame_unref(m_held.get());
        av_frame_move_ref(m_held.get(), frame);
        m_heldNumber = number;
        if (!found && number >= n) {
            converted = m_toDib.convert(m_held.get(), out);
            found = true;
        }
        return !found;
    };
    while (!found) {
        if (av_read_frame(m_input.get(), m_packet.get()) < 0) {
            m_decoder.decode(nullptr, sink);
            m_atEnd = true;  // the decoder is drained: the next call seeks
            if (!found && m_heldNumber >= 0 && m_heldNumber <= n) {
                converted = m_toDib.convert(m_held.get(), out);
                found = true;
            }
            break;
        }
        if (m_packet->stream_index == m_videoIndex) {
            m_decoder.decode(m_packet.get(), sink);
        }
        av_packet_unref(m_packet.get());
    }
    return found && converted;
}

}  // namespace brindle::avi
