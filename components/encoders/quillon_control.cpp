// The audio encoder control: collects sources, each a sound file placed at a
// start time with a level, and mixes them into one RealMedia sound file on a
// worker thread.
#include "components/encoders/audience.h"
#include "components/encoders/encoder_control.h"
#include "components/encoders/encoder_ids.h"
#include "components/encoders/sound_mix.h"
#include "components/encoders/sound_source.h"

#include <QFile>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace brindle::encoders {
namespace {

using namespace dispatch;

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

class QuillonControl : public EncoderControl, public dispatch::Fields<QuillonControl> {
public:
    explicit QuillonControl(QWidget* parent) : EncoderControl(parent) {}

    DispResult invoke(int dispid, InvokeKind kind, QVariantList& args) override {
        return dispatchByTable<QuillonControl>(*this, kTable, dispid, kind, args);
    }

private:
    DispResult newMix(QVariantList&) {
        if (!busy()) {
            m_sources.clear();
        }
        return {};
    }

    // (file, start ms, level, flags): 0 when the file's sound can be mixed.
    DispResult addSource(QVariantList& args) {
        QString file;
        int startMs = 0;
        double level = 0;
        if (args.size() < 3 || !argAs(args[0], &file) || !argAs(args[1], &startMs) ||
            !argAs(args[2], &level) || startMs < 0 || !std::isfinite(level) || level < 0) {
            return DispResult::value_of(int(RefusedArguments));
        }
        if (busy()) {
            return DispResult::value_of(int(RefusedBusy));
        }
        SoundSource probe;
        std::string why;
        const int refused = probe.open(localPath(file), &why);
        if (refused != 0) {
            return DispResult::value_of(refused);
        }
        m_sources.push_back({localPath(file), startMs, level});
        return DispResult::value_of(0);
    }

    // True when refused: nothing to mix, settings that cannot be encoded, an
    // output that cannot be written, or an encode already running.
    DispResult start(QVariantList&) {
        if (busy()) {
            return DispResult::value_of(true);
        }
        const Audience audience = audienceFor(m_targetAudience);
        MixSettings settings;
        settings.rate = m_sampleRate;
        settings.bits = m_bits;
        settings.channels = m_channels;
        settings.durationMs = m_durationMs;
        settings.codec = m_mode == AudioModeVoice   ? SoundCodec::Real144
                         : m_mode == AudioModeMusic ? SoundCodec::Ac3
                                                    : audience.sound;
        settings.bitRate = audience.sound == SoundCodec::Ac3 ? audience.soundBitRate : 32000;
        auto mix = std::make_shared<SoundMix>(m_sources, settings);
        Failure failure;
        if (!mix->prepare(localPath(m_output), &failure)) {
            qWarning("Quillon: %s", failure.text.c_str());
            return DispResult::value_of(true);
        }
        launch([mix](JobContext& job) { mix->run(job); });
        return DispResult::value_of(false);
    }

    static const std::array<Member<QuillonControl>, 12> kTable;

    QString m_binFolder;
    QString m_output;
    int m_targetAudience = 3;
    int m_mode = AudioModeByAudience;
    int m_sampleRate = 22050;
    int m_bits = 16;
    int m_channels = 1;
    int m_durationMs = 0;
    std::vector<MixSource> m_sources;
};

using Self = QuillonControl;
const std::array<Member<Self>, 12> QuillonControl::kTable{{
    {quillon::BinFolder, "BinFolder", &Self::template getField<QString, &Self::m_binFolder>,
     &Self::template putField<QString, &Self::m_binFolder>},
    {quillon::OutputFile, "OutputFile", &Self::template getField<QString, &Self::m_output>,
     &Self::template putField<QString, &Self::m_output>},
    {quillon::TargetAudience, "TargetAudience",
     &Self::template getField<int, &Self::m_targetAudience>,
     &Self::template putField<int, &Self::m_targetAudience>},
    {quillon::Mode, "Mode", &Self::template getField<int, &Self::m_mode>,
     &Self::template putField<int, &Self::m_mode>},
    {quillon::SampleRate, "SampleRate", &Self::template getField<int, &Self::m_sampleRate>,
     &Self::template putField<int, &Self::m_sampleRate>},
    {quillon::BitsPerSample, "BitsPerSample", &Self::template getField<int, &Self::m_bits>,
     &Self::template putField<int, &Self::m_bits>},
    {quillon::Channels, "Channels", &Self::template getField<int, &Self::m_channels>,
     &Self::template putField<int, &Self::m_channels>},
    {quillon::DurationMs, "Duration", &Self::template getField<int, &Self::m_durationMs>,
     &Self::template putField<int, &Self::m_durationMs>},
    {quillon::AddSource, "AddSource", nullptr, nullptr, &Self::addSource},
    {quillon::NewMix, "NewMix", nullptr, nullptr, &Self::newMix},
    {quillon::Abort, "Abort", nullptr, nullptr, &Self::abortMethod},
    {quillon::Start, "Start", nullptr, nullptr, &Self::start},
}};

Control* create(QWidget* parent) {
    return new QuillonControl(parent);
}

const ControlModule kModule{kControlInterfaceVersion, "Quillon", "QUILLON.QuillonCtrl.1", create};

}  // namespace
}  // namespace brindle::encoders

BRINDLE_EXPORT_CONTROL(brindle::encoders::kModule)
