// The media encoder control: encodes one clip into one RealMedia file on a
// worker thread.
#include "components/encoders/clip_encode.h"
#include "components/encoders/encoder_control.h"
#include "components/encoders/encoder_ids.h"

#include <QFile>

#include <array>

namespace brindle::encoders {
namespace {

using namespace dispatch;

class TolvernControl : public EncoderControl, public dispatch::Fields<TolvernControl> {
public:
    explicit TolvernControl(QWidget* parent) : EncoderControl(parent) {}

    DispResult invoke(int dispid, InvokeKind kind, QVariantList& args) override {
        return dispatchByTable<TolvernControl>(*this, kTable, dispid, kind, args);
    }

private:
    // Every outcome, a file that cannot be read included, is reported by the
    // events; only a second start while one runs is refused here.
    DispResult start(QVariantList&) {
        if (busy()) {
            return DispResult::error(E_FAIL, QStringLiteral("an encoding is running"));
        }
        ClipSettings s;
        s.input = QFile::encodeName(m_input).toStdString();
        s.output = QFile::encodeName(m_output).toStdString();
        s.targetAudience = m_targetAudience;
        s.videoCodec = m_videoCodec;
        s.videoQuality = m_videoQuality;
        s.mode = m_mode;
        launch([s](JobContext& job) { encodeClip(s, job); });
        return {};
    }

    static const std::array<Member<TolvernControl>, 9> kTable;

    QString m_input;
    QString m_output;
    QString m_binFolder;
    int m_targetAudience = 3;
    int m_videoCodec = 2;
    int m_videoQuality = VideoQualityNormal;
    int m_mode = MediaModeVideoOnly;
};

using Self = TolvernControl;
const std::array<Member<Self>, 9> TolvernControl::kTable{{
    {tolvern::InputFile, "InputFile", &Self::template getField<QString, &Self::m_input>,
     &Self::template putField<QString, &Self::m_input>},
    {tolvern::OutputFile, "OutputFile", &Self::template getField<QString, &Self::m_output>,
     &Self::template putField<QString, &Self::m_output>},
    {tolvern::TargetAudience, "TargetAudience",
     &Self::template getField<int, &Self::m_targetAudience>,
     &Self::template putField<int, &Self::m_targetAudience>},
    {tolvern::VideoCodec, "VideoCodec", &Self::template getField<int, &Self::m_videoCodec>,
     &Self::template putField<int, &Self::m_videoCodec>},
    {tolvern::VideoQuality, "VideoQuality", &Self::template getField<int, &Self::m_videoQuality>,
     &Self::template putField<int, &Self::m_videoQuality>},
    {tolvern::Mode, "Mode", &Self::template getField<int, &Self::m_mode>,
     &Self::template putField<int, &Self::m_mode>},
    {tolvern::BinFolder, "BinFolder", &Self::template getField<QString, &Self::m_binFolder>,
     &Self::template putField<QString, &Self::m_binFolder>},
    {tolvern::Start, "Start", nullptr, nullptr, &Self::start},
    {tolvern::Abort, "Abort", nullptr, nullptr, &Self::abortMethod},
}};

Control* create(QWidget* parent) {
    return new TolvernControl(parent);
}

const ControlModule kModule{kControlInterfaceVersion, "Tolvern", "TOLVERN.TolvernCtrl.1", create};

}  // namespace
}  // namespace brindle::encoders

BRINDLE_EXPORT_CONTROL(brindle::encoders::kModule)
