#include "app/present/video_check.h"

#include "app/model/media_check.h"
#include "app/model/project_view.h"
#include "components/imaging/packed_dib.h"
#include "components/mediaplayer/media_length.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"

namespace brindle {

bool isGoodVideo(dispatch::ControlHost& klipvane, const QString& path) {
    using namespace klipvane;
    if (!klipvane.get(DispFilename).value.toString().isEmpty()) {
        return false;  // busy with another file
    }
    klipvane.put(DispFilename, path);
    const quintptr picture = klipvane.call(DispGetDIB, {0}).value.value<quintptr>();
    // A frame the program cannot hold as a picture (100,000 pixels wide,
    // say) makes no slide: it could be neither shown nor encoded.
    const bool usable =
        picture != 0 && !dib::decodeAt(reinterpret_cast<const uchar*>(picture)).isNull();
    klipvane.put(DispFilename, QString());
    return usable;
}

void installVideoChecks() {
    setMediaChecks({[](const QString& path) {
                        ProjectView* view = projectView();
                        dispatch::ControlHost* klipvane = view ? view->clipEditControl() : nullptr;
                        return klipvane && isGoodVideo(*klipvane, path);
                    },
                    [](const QString& path) { return mediaLengthMs(path); }});
}

}  // namespace brindle
