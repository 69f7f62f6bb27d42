// The library's one export: the Sonteval control class.
#include "controls/audiocap/sonteval.h"

namespace {

brindle::dispatch::Control* create(QWidget* parent) {
    return new brindle::sonteval::Sonteval(parent);
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Sonteval", "SONTEVAL.SontevalCtrl.1", create};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
