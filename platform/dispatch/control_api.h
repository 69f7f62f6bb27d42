// The contract between an embeddable control and its host. A control is a
// QWidget in a shared library of its own; the library exports one C function,
// brindle_control_module, that names the control and creates instances. The
// host reaches an instance only through invoke() by dispatch id, hears its
// events by dispatch id, and keeps its persisted properties in a property
// bag. This header is all a control needs from the program: it is header
// only, so a control links nothing of the program.
#pragma once

#include "platform/dispatch/dispatch.h"

#include <QWidget>

#include <cstdint>

namespace brindle::dispatch {

// A control class derives from QWidget and Control, and widget() answers the
// control itself: the parent window may delete it like any child widget.
class Control {
public:
    virtual ~Control() = default;

    virtual QWidget* widget() = 0;

    // Gets or puts a property, or calls a method. For Put, args holds the one
    // new value. A method may write back into args (out parameters).
    virtual DispResult invoke(int dispid, InvokeKind kind, QVariantList& args) = 0;

    virtual void saveProperties(PropertyBag& bag) const = 0;
    virtual void loadProperties(const PropertyBag& bag) = 0;

    void setEventSink(EventSink* sink) { m_sink = sink; }

protected:
    void fire(int dispid, const QVariantList& args = {}) {
        if (m_sink) {
            m_sink->fireEvent(dispid, args);
        }
    }

private:
    EventSink* m_sink = nullptr;
};

// What a control library exports.
inline constexpr std::uint32_t kControlInterfaceVersion = 1;

struct ControlModule {
    std::uint32_t interfaceVersion;  // kControlInterfaceVersion of the build
    const char* name;                // the control's class name, "Klipvane"
    const char* progId;              // "KLIPVANE.KlipvaneCtrl.1"
    Control* (*create)(QWidget* parent);
};

// What a control library with a property page exports beside its control:
// the page's ProgID and a maker of the page widget.
struct PropertyPageModule {
    std::uint32_t interfaceVersion;  // kControlInterfaceVersion of the build
    const char* progId;              // "VASKLIN.TSlider2PropPage.1"
    QWidget* (*create)(QWidget* parent);
};

}  // namespace brindle::dispatch

// The one export of a control library.
#define BRINDLE_CONTROL_ENTRY "brindle_control_module"
#define BRINDLE_EXPORT_CONTROL(module)                                                          \
    extern "C" __attribute__((visibility("default"))) const ::brindle::dispatch::ControlModule* \
    brindle_control_module() {                                                                  \
        return &(module);                                                                       \
    }

// The optional export of a control library with a property page.
#define BRINDLE_PROPERTY_PAGE_ENTRY "brindle_control_property_page"
#define BRINDLE_EXPORT_PROPERTY_PAGE(module)          \
    extern "C" __attribute__((visibility("default"))) \
    const ::brindle::dispatch::PropertyPageModule*    \
    brindle_control_property_page() {                 \
        return &(module);                             \
    }
