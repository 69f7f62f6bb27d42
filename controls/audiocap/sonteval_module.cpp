// The library's exports: the Sonteval control class and its property page,
// "General", which holds no controls.
#include "controls/audiocap/sonteval.h"

namespace {

brindle::dispatch::Control* create(QWidget* parent) {
    return new brindle::sonteval::Sonteval(parent);
}

QWidget* createPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("CSontevalPropPage"));
    page->setWindowTitle(QStringLiteral("General"));
    return page;
}

const brindle::dispatch::ControlModule kModule{brindle::dispatch::kControlInterfaceVersion,
                                               "Sonteval", "SONTEVAL.SontevalCtrl.1", create};

const brindle::dispatch::PropertyPageModule kPage{brindle::dispatch::kControlInterfaceVersion,
                                                  "SONTEVAL.SontevalPropPage.1", createPage};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
BRINDLE_EXPORT_PROPERTY_PAGE(kPage)
