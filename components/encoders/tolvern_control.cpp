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

class TolvernControl : public EncoderControl {
public:
    explicit TolvernControl(QWidget* parent) : EncoderControl(parent) {}

    DispResult invoke(int dispid, InvokeKind kind, QVariantList& args) override {
        return dispatchByTable<TolvernControl>(*this, kTable, dispid, kind, args);
    }

private:
    template <class V, V TolvernControl::*field>
    DispResult getField() {
        return DispResult::value_of(QVariant::fromValue(this->*field));
    }
    template <class V, V TolvernControl::*field>
    DispResult putField(const QVariant& v) {
        V value{};
        if (!argAs(v, &value)) {
            return DispResult::error(DISP_E_TYPEMISMATCH);
        }
        this->*field = value;
        return {};
    }

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

    DispResult abort(QVariantList&) {
        abortEncode();
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
    {tolvern::InputFile, "InputFile", &Self::getField<QString, &Self::m_input>,
     &Self::putField<QString, &Self::m_input>},
    {tolvern::OutputFile, "OutputFile", &Self::getField<QString, &Self::m_output>,
     &Self::putField<QString, &Self::m_output>},
    {tolvern::TargetAudience, "TargetAudience", &Self::getField<int, &Self::m_targetAudience>,
     &Self::putField<int, &Self::m_targetAudience>},
    {tolvern::VideoCodec, "VideoCodec", &Self::getField<int, &Self::m_videoCodec>,
     &Self::putField<int, &Self::m_videoCodec>},
    {tolvern::VideoQuality, "VideoQuality", &Self::getField<int, &Self::m_videoQuality>,
     &Self::putField<int, &Self::m_videoQuality>},
    {tolvern::Mode, "Mode", &Self::getField<int, &Self::m_mode>,
     &Self::putField<int, &Self::m_mode>},
    {tolvern::BinFolder, "BinFolder", &Self::getField<QString, &Self::m_binFolder>,
     &Self::putField<QString, &Self::m_binFolder>},
    {tolvern::Start, "Start", nullptr, nullptr, &Self::start},
    {tolvern::Abort, "Abort", nullptr, nullptr, &Self::abort},
}};

Control* create(QWidget* parent) {
    return new TolvernControl(parent);
}

const ControlModule kModule{kControlInterfaceVersion, "Tolvern", "TOLVERN.TolvernCtrl.1", create};

}  // namespace
}  // namespace brindle::encoders

BRINDLE_EXPORT_CONTROL(brindle::encoders::kModule)
