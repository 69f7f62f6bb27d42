// The library's one export: the Klipvane control class.
#include "controls/clipedit/klipvane.h"

namespace {

brindle::dispatch::Control* create(QWidget* parent) {
    return new brindle::klipvane::Klipvane(parent);
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Klipvane", "KLIPVANE.KlipvaneCtrl.1", create};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
