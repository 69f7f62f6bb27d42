// The library's one export: the Orvalis control class.
#include "controls/videocap/orvalis.h"

namespace {

brindle::dispatch::Control* create(QWidget* parent) {
    return new brindle::orvalis::Orvalis(parent);
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Orvalis", "ORVALIS.OrvalisCtrl.1", create};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
