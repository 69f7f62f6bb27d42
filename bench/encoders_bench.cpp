// Benchmark of the two encoder controls against the ffmpeg command line
// doing the same work: the sound mix of ten narrations over a background
// track, one 60-second clip, and the corpus clips one by one and two at
// once. Prints wall seconds, CPU seconds and CPU / wall (the cores in use)
// for both, side by side, each the median of the runs.
//
// Usage: bench-encoders CORPUS_DIR [RUNS]
#include "components/encoders/audience.h"
#include "components/encoders/clip_encode.h"
#include "components/encoders/encoder_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/ffmpeg/handles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

extern char** environ;

namespace {

using namespace brindle;
using dispatch::ControlHost;
namespace q = encoders::quillon;
namespace t = encoders::tolvern;

struct Cost {
    double wall = 0;
    double cpu = 0;
};

double seconds(const timeval& tv) {
    return double(tv.tv_sec) + double(tv.tv_usec) / 1e6;
}

double selfCpu() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return seconds(ru.ru_utime) + seconds(ru.ru_stime);
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs in-process work, timing the whole process's CPU (every thread).
Cost measure(const std::function<void()>& work) {
    const double c0 = selfCpu(), w0 = now();
    work();
    return {now() - w0, selfCpu() - c0};
}

// Starts one ffmpeg; answers its pid.
pid_t spawnFfmpeg(const QStringList& args) {
    std::vector<QByteArray> bytes{"ffmpeg", "-nostdin", "-v", "error", "-y"};
    for (const QString& a : args) {
        bytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& b : bytes) {
        argv.push_back(b.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start ffmpeg\n");
        std::exit(1);
    }
    return pid;
}

// Runs the command lines, at most `parallel` at a time; CPU of the children.
Cost measureFfmpeg(const std::vector<QStringList>& jobs, int parallel = 1) {
    const double w0 = now();
    double cpu = 0;
    std::size_t next = 0;
    int running = 0;
    while (next < jobs.size() || running > 0) {
        while (running < parallel && next < jobs.size()) {
            spawnFfmpeg(jobs[next++]);
            ++running;
        }
        int status = 0;
        rusage ru{};
        if (wait4(-1, &status, 0, &ru) > 0) {
            --running;
            cpu += seconds(ru.ru_utime) + seconds(ru.ru_stime);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                std::fprintf(stderr, "ffmpeg failed\n");
                std::exit(1);
            }
        }
    }
    return {now() - w0, cpu};
}

struct Encoder {
    QWidget parent;
    std::unique_ptr<ControlHost> host;
    bool done = false;
    int errors = 0;
    explicit Encoder(const char* name) {
        QString why;
        host = ControlHost::load(name, &parent, &why);
        if (!host) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            std::exit(1);
        }
        host->onEvent(encoders::EncodeComplete, [this](const QVariantList&) { done = true; });
        host->onEvent(encoders::EncodeError, [this](const QVariantList& a) {
            ++errors;
            std::fprintf(stderr, "encode error %d: %s\n", a.value(0).toInt(),
                         qPrintable(a.value(1).toString()));
        });
    }
};

void waitAll(const std::vector<Encoder*>& encoders) {
    while (std::any_of(encoders.begin(), encoders.end(), [](Encoder* e) { return !e->done; })) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// The sound mix: narrations one after another at level 0.75 over the
// background at 0.25, as the presentation pass feeds them.
struct Mix {
    std::vector<QString> narrations;
    std::vector<int> startsMs;
    QString background;
    int totalMs = 0;
};

Mix makeMix(const QString& corpus) {
    const std::vector<int> lengths{5, 8, 12, 15, 18, 20, 22, 25, 28, 30};
    Mix m;
    int start = 0;
    for (int i = 1; i <= 10; ++i) {
        m.narrations.push_back(QString("%1/n%2.wav").arg(corpus).arg(i, 2, 10, QChar('0')));
        m.startsMs.push_back(start);
        start += lengths[i - 1] * 1000;
    }
    m.background = corpus + "/background.wav";
    m.totalMs = std::max(start, 180000);
    return m;
}

void mixWithQuillon(const Mix& m, int audience, const QString& out) {
    Encoder e("quillon");
    auto& h = *e.host;
    h.put(q::OutputFile, out);
    h.put(q::SampleRate, 22050);
    h.put(q::BitsPerSample, 16);
    h.put(q::Channels, 1);
    h.put(q::DurationMs, m.totalMs);
    h.put(q::TargetAudience, audience);
    h.put(q::Mode, encoders::AudioModeByAudience);
    h.call(q::NewMix);
    for (std::size_t i = 0; i < m.narrations.size(); ++i) {
        h.call(q::AddSource, {m.narrations[i], m.startsMs[i], 0.75, 0});
    }
    h.call(q::AddSource, {m.background, 0, 0.25, 0});
    if (h.call(q::Start).value.toBool()) {
        std::fprintf(stderr, "mix refused\n");
        std::exit(1);
    }
    waitAll({&e});
}

QStringList mixWithFfmpeg(const Mix& m, int audience, const QString& out) {
    QStringList args;
    QString graph;
    QString inputs;
    for (std::size_t i = 0; i < m.narrations.size(); ++i) {
        args << "-i" << m.narrations[i];
        graph += QString(
                     "[%1:a]aresample=22050,aformat=channel_layouts=mono,adelay=%2,"
                     "volume=0.75[a%1];")
                     .arg(i)
                     .arg(m.startsMs[i]);
        inputs += QString("[a%1]").arg(i);
    }
    const int b = static_cast<int>(m.narrations.size());
    args << "-i" << m.background;
    graph += QString("[%1:a]aresample=22050,aformat=channel_layouts=mono,volume=0.25[a%1];").arg(b);
    inputs += QString("[a%1]").arg(b);
    graph += inputs + QString(
                          "amix=inputs=%1:duration=longest:normalize=0,apad=whole_dur=%2,"
                          "atrim=end=%2")
                          .arg(b + 1)
                          .arg(m.totalMs / 1000.0);
    const encoders::Audience a = encoders::audienceFor(audience);
    args << "-filter_complex" << graph;
    if (a.sound == encoders::SoundCodec::Real144) {
        args << "-ar"
             << "8000"
             << "-c:a"
             << "real_144";
    } else {
        args << "-ar"
             << "32000"
             << "-c:a"
             << "ac3"
             << "-b:a" << QString::number(a.soundBitRate);
    }
    args << "-f"
         << "rm" << out;
    return args;
}

void setUpClip(ControlHost& h, const QString& in, const QString& out) {
    h.put(t::InputFile, in);
    h.put(t::OutputFile, out);
    h.put(t::Mode, encoders::MediaModeVideoOnly);
    h.put(t::TargetAudience, 3);
    h.put(t::VideoCodec, 2);
    h.put(t::VideoQuality, 0);
}

// Encodes the clips, `parallel` controls at a time.
void clipsWithTolvern(const QStringList& clips, const QString& outDir, int parallel) {
    std::vector<std::unique_ptr<Encoder>> pool;
    for (int i = 0; i < parallel; ++i) {
        pool.push_back(std::make_unique<Encoder>("tolvern"));
        pool.back()->done = true;
    }
    int next = 0;
    auto startNext = [&](Encoder& e) {
        setUpClip(*e.host, clips[next], QString("%1/tolvern%2.rm").arg(outDir).arg(next));
        e.done = false;
        e.host->call(t::Start);
        ++next;
    };
    while (next < clips.size()) {
        for (auto& e : pool) {
            if (e->done && next < clips.size()) {
                startNext(*e);
            }
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::vector<Encoder*> all;
    for (auto& e : pool) {
        all.push_back(e.get());
    }
    waitAll(all);
}

// The same encode on the command line: scaled into the video region, the
// audience's bit rate, the same key frame spacing, no sound.
std::vector<QStringList> clipsWithFfmpeg(const QStringList& clips, const QString& outDir) {
    std::vector<QStringList> jobs;
    const encoders::VideoTuning tuning = encoders::tuningFor(0);
    for (int i = 0; i < clips.size(); ++i) {
        jobs.push_back({"-i", clips[i], "-an", "-vf", "scale=176:132", "-c:v", "rv20", "-b:v",
                        QString::number(encoders::audienceFor(3).videoBitRate), "-g",
                        QString::number(int(tuning.keyFrameSeconds * 15)), "-f", "rm",
                        QString("%1/ffmpeg%2.rm").arg(outDir).arg(i)});
    }
    return jobs;
}

Cost median(std::vector<Cost> v) {
    std::sort(v.begin(), v.end(), [](const Cost& a, const Cost& b) { return a.wall < b.wall; });
    return v[v.size() / 2];
}

void report(const char* what, const Cost& ours, const Cost& theirs) {
    std::printf("%-44s %8.2f %8.2f %5.2f | %8.2f %8.2f %5.2f | %5.2fx\n", what, ours.wall, ours.cpu,
                ours.cpu / ours.wall, theirs.wall, theirs.cpu, theirs.cpu / theirs.wall,
                ours.wall / theirs.wall);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);  // the controls share this process's FFmpeg
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-encoders CORPUS_DIR [RUNS]\n");
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir outDir;
    const QString out = outDir.path();

    QStringList clips;
    for (const QString& name : QDir(corpus).entryList({"c?-*.avi"}, QDir::Files, QDir::Name)) {
        clips << corpus + "/" + name;
    }
    const Mix mix = makeMix(corpus);
    for (const QString& f : QStringList(mix.narrations.begin(), mix.narrations.end()) +
                                QStringList{mix.background} + clips) {
        if (!QFileInfo::exists(f)) {
            std::fprintf(stderr, "missing %s: run bench/make_corpus.sh first\n", qPrintable(f));
            return 1;
        }
    }

    std::printf("%d runs, median wall; %d cores\n", runs, QThread::idealThreadCount());
    std::printf("%-44s %8s %8s %5s | %8s %8s %5s | %6s\n", "", "Brindle", "cpu s", "cores",
                "ffmpeg", "cpu s", "cores", "ratio");
    auto compare = [&](const char* what, const std::function<void()>& ours,
                       const std::function<Cost()>& theirs) {
        std::vector<Cost> a, b;
        for (int r = 0; r < runs; ++r) {
            a.push_back(measure(ours));
            b.push_back(theirs());
        }
        report(what, median(a), median(b));
    };

    compare(
        "mix 10 narrations + 3 min background, ac3",
        [&] { mixWithQuillon(mix, 3, out + "/audios.rm"); },
        [&] { return measureFfmpeg({mixWithFfmpeg(mix, 3, out + "/ffmpeg-audios.rm")}); });
    compare(
        "mix 10 narrations + 3 min background, real_144",
        [&] { mixWithQuillon(mix, 0, out + "/audios144.rm"); },
        [&] { return measureFfmpeg({mixWithFfmpeg(mix, 0, out + "/ffmpeg-audios144.rm")}); });
    const QStringList first{clips.value(0)};
    compare(
        "60 s 640x480 clip -> rv20", [&] { clipsWithTolvern(first, out, 1); },
        [&] { return measureFfmpeg(clipsWithFfmpeg(first, out)); });
    compare(
        "6 clips -> rv20, one by one", [&] { clipsWithTolvern(clips, out, 1); },
        [&] { return measureFfmpeg(clipsWithFfmpeg(clips, out)); });
    compare(
        "6 clips -> rv20, two at once", [&] { clipsWithTolvern(clips, out, 2); },
        [&] { return measureFfmpeg(clipsWithFfmpeg(clips, out), 2); });
    return 0;
}
