// Dispatch by id without a window system: result codes, results, property
// bags, event sinks and a dispatch table that routes get/put/method calls
// to a class's members. Controls (control_api.h) and the components that
// are driven by dispatch id without being widgets (the zip component) build
// on it. Header only.
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <span>
#include <utility>

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

// The put of a property kept in a variable: the value converted into it, or
// a type mismatch with the variable left as it was.
template <class V>
DispResult putValue(const QVariant& value, V* into) {
    V converted{};
    if (!argAs(value, &converted)) {
        return DispResult::error(DISP_E_TYPEMISMATCH);
    }
    *into = std::move(converted);
    return {};
}

// Dispatch table rows for properties held in plain fields: a class derives
// from Fields<Self> and names &Self::template getField<QString, &Self::m_x>
// and &Self::template putField<QString, &Self::m_x> in its table.
template <class Self>
class Fields {
public:
    template <class V, V Self::*field>
    DispResult getField() {
        return DispResult::value_of(QVariant::fromValue(static_cast<Self*>(this)->*field));
    }
    template <class V, V Self::*field>
    DispResult putField(const QVariant& value) {
        return putValue(value, &(static_cast<Self*>(this)->*field));
    }
};

// The calling side: get, put and call by dispatch id over a class's
// invoke(dispid, kind, args), for whatever reaches an object by id (the
// control host, the project's zip component).
template <class Self>
class Caller {
public:
    DispResult get(int dispid) {
        QVariantList none;
        return self().invoke(dispid, InvokeKind::Get, none);
    }
    DispResult put(int dispid, const QVariant& value) {
        QVariantList args{value};
        return self().invoke(dispid, InvokeKind::Put, args);
    }
    DispResult call(int dispid, QVariantList args = {}) {
        return self().invoke(dispid, InvokeKind::Method, args);
    }

private:
    Self& self() { return static_cast<Self&>(*this); }
};

}  // namespace brindle::dispatch
