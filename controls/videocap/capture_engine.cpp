#include "controls/videocap/capture_engine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace brindle::orvalis {

CaptureEngine::~CaptureEngine() {
    close();
}

void CaptureEngine::reset(std::uint32_t framePeriodUs) {
    m_framePeriodUs = framePeriodUs;
    m_framesWritten = 0;
    m_videoBytes = 0;
    m_audioBytes = 0;
    m_frameCorrection = 0;
    m_framesDropped = 0;
    m_framesRepeated = 0;
    m_writeFailed = false;
    m_writeError.clear();
}

bool CaptureEngine::open(const Setup& setup, std::string* why) {
    close();
    std::string handler = setup.compression.substr(0, 4);
    std::transform(handler.begin(), handler.end(), handler.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    m_compressor = vfw::Compressor::open(vfw::fourccOf(handler));
    if (!m_compressor) {
        *why = "no compressor " + handler;
        return false;
    }
    const bool zq4a = setup.compression == "zq4a";
    if (m_compressor->configure(vfw::configBlock(zq4a)) != vfw::kIcOk) {
        *why = "the compressor refused its configuration";
        return false;
    }
    m_input = setup.input;
    if (m_compressor->getFormat(m_input, &m_output) != vfw::kIcOk) {
        *why = "the compressor cannot take the device's format";
        return false;
    }
    const std::uint64_t largest = m_compressor->maxCompressedSize(m_input);
    if (largest == 0 || largest > (std::uint64_t(1) << 31)) {
        *why = "no room for a compressed frame";
        return false;
    }
    // The used part starts at the first multiple of 8 strictly after the
    // allocation's start, hence the 8 extra bytes.
    m_buffer.assign(static_cast<std::size_t>(largest) + 8, 0);
    const auto start = reinterpret_cast<std::uintptr_t>(m_buffer.data());
    m_bufferOffset = static_cast<std::size_t>((start / 8 + 1) * 8 - start);
    m_bufferUsable = m_buffer.size() - m_bufferOffset;
    if (m_compressor->begin(m_input, m_output) != vfw::kIcOk) {
        *why = "the compressor did not begin";
        return false;
    }
    if (setup.withAudio && !setup.audio.valid()) {
        *why = "not a recordable sound format";
        return false;
    }
    vfw::AviVideoStream video;
    video.codec = m_compressor->info().encoder;
    video.tag = m_compressor->info().aviTag;  // the codec's real tag, readable anywhere
    video.format = m_input;
    video.microSecPerFrame = m_framePeriodUs;
    m_writer =
        vfw::AviWriter::create(setup.path, video, setup.withAudio ? &setup.audio : nullptr, why);
    if (!m_writer) {
        return false;
    }
    m_audio = setup.audio;
    m_withAudio = setup.withAudio;
    m_quality = std::clamp(setup.qualityPercent, 0, 100) * 100;
    return true;
}

void CaptureEngine::frame(std::span<const std::uint8_t> bits) {
    if (!m_writer || !m_compressor || m_writeFailed) {
        return;
    }
    std::int32_t copies = 1;
    if (m_frameCorrection < 0) {
        ++m_frameCorrection;
        ++m_framesDropped;
        return;  // video runs ahead of the sound: drop this frame
    }
    if (m_frameCorrection >= 1) {
        copies = m_frameCorrection + 1;
        m_frameCorrection = 0;
    }
    for (std::int32_t i = 0; i < copies; ++i) {
        const std::int32_t f = m_framesWritten;
        const bool key = f % kKeyFrameEvery == 0;
        if (key && i > 0) {
            // A repeated frame never becomes a key frame: the rest waits.
            m_frameCorrection = copies - i;
            break;
        }
        std::size_t written = 0;
        bool isKey = false;
        const int rc = m_compressor->compress(
            bits, key, m_quality, f,
            std::span<std::uint8_t>(m_buffer.data() + m_bufferOffset, m_bufferUsable), &written,
            &isKey);
        if (rc != vfw::kIcOk) {
            continue;  // the codec failed this copy: skipped
        }
        if (!m_writer->writeVideo(
                std::span<const std::uint8_t>(m_buffer.data() + m_bufferOffset, written),
                key || isKey)) {
            m_writeFailed = true;
            m_writeError = m_writer->error();
            return;
        }
        m_videoBytes += written;
        ++m_framesWritten;
        if (i > 0) {
            ++m_framesRepeated;
        }
    }
}

void CaptureEngine::wave(std::span<const std::uint8_t> bytes) {
    if (!m_writer || m_writeFailed || !m_withAudio) {
        return;
    }
    if (m_framesWritten == 0) {
        return;  // sound from before the first frame is not kept
    }
    if (!m_writer->writeAudio(bytes)) {
        m_writeFailed = true;
        m_writeError = m_writer->error();
        return;
    }
    m_audioBytes += bytes.size();
    resynchronise();
}

void CaptureEngine::resynchronise() {
    if (m_audio.avgBytesPerSec == 0 || m_framePeriodUs == 0) {
        return;  // refused formats never get here; never divide by 0
    }
    const double audioMs = double(m_audioBytes) / (double(m_audio.avgBytesPerSec) * 0.001);
    const double expected = audioMs / (double(m_framePeriodUs) * 0.001);
    double whole = 0;
    const double fraction = std::modf(expected, &whole);
    const auto e = static_cast<std::int64_t>(whole) + (fraction >= 0.1 ? 1 : 0);
    const std::int64_t d = e - m_framesWritten;
    // One frame either way is within a sound buffer's jitter and left alone;
    // in particular video exactly in step (d = 0) keeps its next frame.
    const std::int64_t correction = d > 0 ? d - 1 : d < 0 ? d + 1 : 0;
    m_frameCorrection = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(correction, std::numeric_limits<std::int32_t>::min() / 2,
                                 std::numeric_limits<std::int32_t>::max() / 2));
}

bool CaptureEngine::close() {
    bool complete = true;
    if (m_compressor) {
        m_compressor->end();
        m_compressor.reset();
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    if (m_writer) {
        complete = m_writer->finish();
        m_writer.reset();
    }
    return complete;
}

}  // namespace brindle::orvalis
