// The contract between an embeddable control and its host. A control is a
// QWidget in a shared library of its own; the library exports one C function,
// brindle_control_module, that names the control and creates instances. The
// host reaches an instance only through invoke() by dispatch id, hears its
// events by dispatch id, and keeps its persisted properties in a property
// bag. This header is all a control needs from the program: it is header
// only, so a control links nothing of the program.
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>
#include <span>

namespace brindle::dispatch {

// Result codes, with the values of the dispatch interfaces the system was
// written against, so callers can compare them with the codes they know.
using HResult = std::int32_t;
inline constexpr HResult S_OK = 0;
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005);
inline constexpr HResult DISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003);
inline constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005);
inline constexpr HResult DISP_E_EXCEPTION = static_cast<HResult>(0x80020009);
inline constexpr HResult DISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000E);
inline constexpr HResult DISP_E_UNKNOWNNAME = static_cast<HResult>(0x80020006);
// "Set not supported" and "get not supported", raised for read-only and
// write-only properties.
inline constexpr HResult CTL_E_SETNOTSUPPORTED = static_cast<HResult>(0x800A017F);
inline constexpr HResult CTL_E_GETNOTSUPPORTED = static_cast<HResult>(0x800A018A);

enum class InvokeKind { Get, Put, Method };

struct DispResult {
    HResult code = S_OK;
    QVariant value;
    QString description;  // what went wrong, for a failed call

    bool ok() const { return code >= 0; }

    static DispResult value_of(QVariant v) { return DispResult{S_OK, std::move(v), {}}; }
    static DispResult error(HResult code, QString description = {}) {
        return DispResult{code, {}, std::move(description)};
    }
};

// Persisted properties: names to values, with the control's exchange version.
class PropertyBag {
public:
    PropertyBag() = default;
    explicit PropertyBag(QString version) : m_version(std::move(version)) {}

    QString version() const { return m_version; }
    void setVersion(const QString& version) { m_version = version; }

    void write(const QString& name, const QVariant& value) { m_values.insert(name, value); }
    QVariant read(const QString& name, const QVariant& fallback = {}) const {
        return m_values.value(name, fallback);
    }
    bool contains(const QString& name) const { return m_values.contains(name); }
    const QVariantMap& values() const { return m_values; }
    bool operator==(const PropertyBag& o) const = default;

    QByteArray toByteArray() const {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << QByteArray("BPB1") << m_version << m_values;
        return bytes;
    }

    // False (and an empty bag) when the bytes are not a property bag.
    static bool fromByteArray(const QByteArray& bytes, PropertyBag* bag) {
        QDataStream in(bytes);
        in.setVersion(QDataStream::Qt_6_4);
        QByteArray magic;
        PropertyBag read;
        in >> magic >> read.m_version >> read.m_values;
        if (magic != "BPB1" || in.status() != QDataStream::Ok) {
            *bag = PropertyBag();
            return false;
        }
        *bag = std::move(read);
        return true;
    }

private:
    QString m_version;
    QVariantMap m_values;
};

// Where a control's events go. The host's sink delivers them on the GUI
// thread: at once when fired there, queued when fired from another thread.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void fireEvent(int dispid, const QVariantList& args) = 0;
};

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

// One row of a control's dispatch table: a property has get and/or put, a
// method has call. The table is the control's contract.
template <class T>
struct Member {
    int id;
    const char* name;
    DispResult (T::*get)() = nullptr;
    DispResult (T::*put)(const QVariant& value) = nullptr;
    DispResult (T::*call)(QVariantList& args) = nullptr;
};

// Runs a call through a control's dispatch table.
template <class T>
DispResult dispatchByTable(T& self, std::span<const Member<T>> table, int dispid, InvokeKind kind,
                           QVariantList& args) {
    for (const Member<T>& m : table) {
        if (m.id != dispid) {
            continue;
        }
        switch (kind) {
            case InvokeKind::Get:
                if (m.get) {
                    return (self.*m.get)();
                }
                return DispResult::error(m.call ? DISP_E_MEMBERNOTFOUND : CTL_E_GETNOTSUPPORTED);
            case InvokeKind::Put:
                if (args.size() != 1) {
                    return DispResult::error(DISP_E_BADPARAMCOUNT);
                }
                if (m.put) {
                    return (self.*m.put)(args[0]);
                }
                return DispResult::error(m.call ? DISP_E_MEMBERNOTFOUND : CTL_E_SETNOTSUPPORTED);
            case InvokeKind::Method:
                if (m.call) {
                    return (self.*m.call)(args);
                }
                // A property read with method syntax, as late-bound callers do.
                if (m.get && args.isEmpty()) {
                    return (self.*m.get)();
                }
                return DispResult::error(DISP_E_MEMBERNOTFOUND);
        }
    }
    return DispResult::error(DISP_E_MEMBERNOTFOUND);
}

// Converts an argument, reporting a type mismatch the way dispatch does.
template <class V>
bool argAs(const QVariant& in, V* out) {
    if (!in.canConvert<V>()) {
        return false;
    }
    QVariant copy = in;
    if (!copy.convert(QMetaType::fromType<V>())) {
        return false;
    }
    *out = copy.value<V>();
    return true;
}

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
