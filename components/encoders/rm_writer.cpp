#include "components/encoders/rm_writer.h"

#include "components/encoders/encoder_ids.h"

namespace brindle::encoders {

bool RmWriter::open(const std::string& path, Failure* why) {
    const ff::Status status = m_file.open(path, "rm");
    if (!status.ok()) {
        *why = {ErrorOutput, "cannot write " + path + ": " + ff::errorText(status.code)};
    }
    return status.ok();
}

int RmWriter::addStream(AVCodecContext* encoder, Failure* why) {
    ff::Status status;
    const int stream = m_file.addStream(encoder, &status, kMaxRealMediaPacket);
    if (stream < 0) {
        *why = {ErrorOutput, "cannot add a stream: " + ff::errorText(status.code)};
    }
    return stream;
}

bool RmWriter::writeHeader(Failure* why) {
    const ff::Status status = m_file.writeHeader();
    if (!status.ok()) {
        *why = {ErrorOutput, "cannot write the RealMedia header: " + ff::errorText(status.code)};
    }
    return status.ok();
}

bool RmWriter::encode(int stream, const AVFrame* frame, Failure* why) {
    const ff::Status status = m_file.encode(stream, frame);
    switch (status.step) {
        case ff::Status::Step::None:
            return true;
        case ff::Status::Step::PacketTooLarge:
            *why = {ErrorPacketTooLarge, "a coded frame of " + std::to_string(status.packetSize) +
                                             " bytes is more than RealMedia can carry"};
            return false;
        case ff::Status::Step::Encoder:
            *why = {ErrorEncoder, std::string(m_file.encoder(stream)->codec->name) +
                                      " encoding failed: " + ff::errorText(status.code)};
            return false;
        case ff::Status::Step::Output:
            break;
    }
    *why = {ErrorOutput, "cannot write " + path() + ": " + ff::errorText(status.code)};
    return false;
}

bool RmWriter::finish(Failure* why) {
    if (!m_file.headerWritten()) {
        *why = {ErrorOutput, "nothing was written to " + path()};
        return false;
    }
    const ff::Status status = m_file.finish();
    if (!status.ok()) {
        *why = {ErrorOutput, "cannot finish " + path() + ": " + ff::errorText(status.code)};
    }
    return status.ok();
}

}  // namespace brindle::encoders
