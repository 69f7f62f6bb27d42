// The library's exports: the Vasklin control class and its property page.
#include "controls/trimslider/vasklin.h"

namespace {

brindle::dispatch::Control* create(QWidget* parent) {
    return new brindle::vasklin::Vasklin(parent);
}

QWidget* createPage(QWidget* parent) {
    return new brindle::vasklin::VasklinPropPage(parent);
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Vasklin", brindle::vasklin::kProgId, create};

const brindle::dispatch::PropertyPageModule kPage{
    brindle::dispatch::kControlInterfaceVersion, brindle::vasklin::kPropertyPageProgId, createPage};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
BRINDLE_EXPORT_PROPERTY_PAGE(kPage)
