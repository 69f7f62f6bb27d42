// The library's exports: the Orvalis control class and its property sheet.
#include "controls/videocap/orvalis.h"
#include "controls/videocap/orvalis_pages.h"

#include <QPointer>

namespace {

using brindle::orvalis::Orvalis;
using brindle::orvalis::PropertySheet;

brindle::dispatch::Control* create(QWidget* parent) {
    return new Orvalis(parent);
}

// The sheet edits the control it is opened on: the parent itself, or the
// first control among the parent's children.
QWidget* createPages(QWidget* parent) {
    Orvalis* control = dynamic_cast<Orvalis*>(parent);
    if (!control && parent) {
        for (QWidget* child : parent->findChildren<QWidget*>()) {
            if ((control = dynamic_cast<Orvalis*>(child))) {
                break;
            }
        }
    }
    QPointer<Orvalis> target(control);
    return new PropertySheet(
        [target](int dispid, brindle::dispatch::InvokeKind kind, QVariantList& args) {
            if (!target) {
                return brindle::dispatch::DispResult::error(brindle::dispatch::E_FAIL);
            }
            return target->invoke(dispid, kind, args);
        },
        parent);
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Orvalis", "ORVALIS.OrvalisCtrl.1", create};
const brindle::dispatch::PropertyPageModule kPages{brindle::dispatch::kControlInterfaceVersion,
                                                   "Orvalis.CPropPageGeneral", createPages};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
BRINDLE_EXPORT_PROPERTY_PAGE(kPages)
