#include "platform/avi/avi_cut.h"

#include "platform/avi/cut_packets.h"
#include "platform/avi/file_replace.h"
#include "platform/ffmpeg/writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

namespace brindle::avi {
namespace {

// Turns the share done of one pass into the percentage of the whole cut and
// tells the caller when it changes.
class PassProgress {
public:
    PassProgress(const ProgressFn& fn, int passes) : m_fn(fn), m_passes(passes) {}

    bool report(int pass, int share) {
        if (pass == m_pass && share == m_share) {
            return m_go;
        }
        m_pass = pass;
        m_share = share;
        m_go = !m_fn || m_fn((100 * pass + share) / m_passes);
        return m_go;
    }

private:
    const ProgressFn& m_fn;
    int m_passes;
    int m_pass = -1;
    int m_share = -1;
    bool m_go = true;
};

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

CutReport failed(CutReport report, CutStatus status, std::string detail) {
    report.status = status;
    report.detail = std::move(detail);
    return report;
}

}  // namespace

CutPlan planCut(const VideoFrames& frames, std::int64_t first, std::int64_t last) {
    CutPlan plan;
    plan.first = first;
    plan.last = last;
    plan.decodeFrom = frames.keyAtOrBefore(first);
    if (frames.isKey(first)) {
        plan.copyFrom = first;
    } else if (const std::int64_t k = frames.keyAfter(first, last); k >= 0) {
        plan.copyFrom = k;
        plan.leadingPass = true;
    } else {
        plan.copyFrom = last + 1;
    }
    return plan;
}

CutReport cutToFile(const std::string& source, std::int64_t first, std::int64_t last,
                    const std::string& output, const ProgressFn& progress) {
    CutReport report;
    std::string why;
    if (sameFile(source, output)) {
        return failed(report, CutStatus::CannotReplace, "the output is the source itself");
    }
    ff::Input videoInput = openAviPackets(source, &why);
    if (!videoInput) {
        return failed(report, CutStatus::CannotRead, why);
    }
    const int videoIndex = firstStream(videoInput.get(), AVMEDIA_TYPE_VIDEO);
    if (videoIndex < 0) {
        return failed(report, CutStatus::CannotRead, source + " has no video stream");
    }
    const int audioIndex = firstStream(videoInput.get(), AVMEDIA_TYPE_AUDIO);
    VideoPackets video(std::move(videoInput), videoIndex);
    const std::int64_t count = video.frames().count();
    if (count <= 0 || first < 0 || last < first || last >= count) {
        return failed(report, CutStatus::BadRange,
                      "frames " + std::to_string(first) + ".." + std::to_string(last) +
                          " are not inside 0.." + std::to_string(count - 1));
    }
    const CutPlan plan = planCut(video.frames(), first, last);
    report.passes = plan.passes();
    PassProgress passProgress(progress, plan.passes());

    // The sound that plays from the start of frame `first` to the end of
    // frame `last`, within what the stream holds.
    std::optional<AudioPackets> audio;
    if (audioIndex >= 0) {
        ff::Input audioInput = openAviPackets(source, &why);
        if (!audioInput) {
            return failed(report, CutStatus::CannotRead, why);
        }
        AVStream* ast = audioInput->streams[audioIndex];
        const int rate = ast->codecpar->sample_rate;
        if (rate > 0) {
            const AVRational perSample{1, rate};
            const AVRational frameTime = video.stream()->time_base;
            const std::int64_t from = av_rescale_q(first, frameTime, perSample);
            std::int64_t to = av_rescale_q(last + 1, frameTime, perSample);
            const std::int64_t end = audioEndSample(ast);
            if (end >= 0) {
                to = std::min(to, end);
            }
            if (to > from) {
                audio.emplace(std::move(audioInput), audioIndex, from, to);
            }
        }
    }

    if (plan.leadingPass) {
        const CutStatus s = video.encodeLeading(
            plan, [&](int share) { return passProgress.report(0, share); }, &why);
        if (s != CutStatus::Ok) {
            return failed(report, s, why);
        }
    }
    if (!video.start(plan, &why)) {
        return failed(report, CutStatus::CannotEncode, why);
    }

    // Timestamps: video in frames, sound in samples.
    const AVRational frameTime = video.stream()->time_base;
    const AVRational perSample{1, audio ? audio->sampleRate() : 1};
    ff::Writer out;
    ff::Status status = out.open(output, "avi");
    if (!status.ok()) {
        return failed(report, CutStatus::WriteFailed, output + ": " + ff::errorText(status.code));
    }
    const int videoOut = out.addCopyStream(video.stream(), frameTime, &status);
    const int audioOut = audio ? out.addCopyStream(audio->stream(), perSample, &status) : -1;
    if (videoOut < 0 || (audio && audioOut < 0)) {
        return failed(report, CutStatus::WriteFailed, "cannot set up the output streams");
    }
    status = out.writeHeader();
    if (!status.ok()) {
        return failed(report, CutStatus::WriteFailed,
                      "cannot write the header: " + ff::errorText(status.code));
    }

    // The writing pass: video and sound merged in time order.
    const int pass = plan.leadingPass ? 1 : 0;
    const std::int64_t total = last - first + 1;
    ff::Packet vpkt = ff::makePacket();
    ff::Packet apkt = ff::makePacket();
    int vState = video.next(vpkt.get(), &why);
    int aState = audio ? audio->next(apkt.get()) : 0;
    if (!passProgress.report(pass, 0)) {
        return failed(report, CutStatus::Aborted, "aborted");
    }
    while (vState > 0 || aState > 0) {
        const bool takeVideo =
            vState > 0 &&
            (aState <= 0 || av_compare_ts(vpkt->dts, frameTime, apkt->dts, perSample) <= 0);
        if (takeVideo) {
            const std::int64_t written = vpkt->dts + 1;
            status = out.write(videoOut, vpkt.get());
            if (!status.ok()) {
                return failed(report, CutStatus::WriteFailed,
                              "writing video: " + ff::errorText(status.code));
            }
            const int share = static_cast<int>(std::min<std::int64_t>(100, 100 * written / total));
            if (!passProgress.report(pass, share)) {
                return failed(report, CutStatus::Aborted, "aborted");
            }
            vState = video.next(vpkt.get(), &why);
        } else {
            status = out.write(audioOut, apkt.get());
            if (!status.ok()) {
                return failed(report, CutStatus::WriteFailed,
                              "writing sound: " + ff::errorText(status.code));
            }
            aState = audio->next(apkt.get());
        }
    }
    if (vState < 0) {
        return failed(report, CutStatus::CannotEncode, why);
    }
    status = out.finish();
    if (!status.ok()) {
        return failed(report, CutStatus::WriteFailed,
                      "finishing the file: " + ff::errorText(status.code));
    }
    report.reencodedFrames = video.encodedFrames();
    report.copiedFrames = video.copiedFrames();
    report.audioSamples = audio ? audio->copied() : 0;
    if (!passProgress.report(pass, 100)) {
        return failed(report, CutStatus::Aborted, "aborted");
    }
    return report;
}

CutReport cutInPlace(const std::string& named, std::int64_t first, std::int64_t last,
                     const ProgressFn& progress) {
    CutReport report;
    const std::string path = resolvedPath(named);
    if (std::string problem = replaceProblem(path); !problem.empty()) {
        return failed(report, CutStatus::CannotReplace, problem);
    }
    const std::string temp = makeTempAvi(folderOf(path));
    if (temp.empty()) {
        return failed(report, CutStatus::CannotReplace, "no temporary file beside " + path);
    }
    report = cutToFile(path, first, last, temp, progress);
    if (report.ok()) {
        std::string why;
        if (!replaceFile(temp, path, &why)) {
            report = failed(report, CutStatus::WriteFailed, why);
        }
    }
    if (!report.ok()) {
        ::unlink(temp.c_str());
    }
    return report;
}

}  // namespace brindle::avi
