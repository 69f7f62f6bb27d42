#include "platform/dispatch/control_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QThread>
#include <QWidget>

namespace brindle::dispatch {

ControlHost::~ControlHost() {
    if (!m_widget) {
        // The parent window has already deleted the control with its widget.
        (void)m_control.release();
        return;
    }
    m_control->setEventSink(nullptr);
    m_control.reset();
}

QString ControlHost::controlsFolder() {
    const QString fromEnv = qEnvironmentVariable("BRINDLE_CONTROLS_DIR");
    if (!fromEnv.isEmpty()) {
        return fromEnv;
    }
    const QString beside = QCoreApplication::applicationDirPath() + "/controls";
    if (QFileInfo(beside).isDir()) {
        return beside;
    }
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/brindle/controls");
}

std::unique_ptr<ControlHost> ControlHost::load(const QString& name, QWidget* parent,
                                               QString* error) {
    auto fail = [error](const QString& why) -> std::unique_ptr<ControlHost> {
        if (error) {
            *error = why;
        }
        qWarning("%s", qPrintable(why));
        return nullptr;
    };
    const QString path = controlsFolder() + "/lib" + name + ".so";
    if (!QFileInfo::exists(path)) {
        return fail(QStringLiteral("control %1: %2 does not exist").arg(name, path));
    }
    // The library stays loaded for the rest of the run: instances may outlive
    // any one host, and unloading code with live widgets is never safe.
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load()) {
        return fail(QStringLiteral("control %1: %2").arg(name, library.errorString()));
    }
    using Entry = const ControlModule* (*)();
    auto entry = reinterpret_cast<Entry>(library.resolve(BRINDLE_CONTROL_ENTRY));
    if (!entry) {
        return fail(QStringLiteral("control %1: %2 has no %3 export")
                        .arg(name, path, QStringLiteral(BRINDLE_CONTROL_ENTRY)));
    }
    const ControlModule* module = entry();
    if (!module || module->interfaceVersion != kControlInterfaceVersion || !module->create) {
        return fail(QStringLiteral("control %1: interface version %2, this program needs %3")
                        .arg(name)
                        .arg(module ? module->interfaceVersion : 0)
                        .arg(kControlInterfaceVersion));
    }
    std::unique_ptr<ControlHost> host(new ControlHost);
    host->m_control.reset(module->create(parent));
    if (!host->m_control) {
        return fail(QStringLiteral("control %1: the library made no instance").arg(name));
    }
    host->m_name = QString::fromUtf8(module->name);
    host->m_progId = QString::fromUtf8(module->progId);
    host->m_path = path;
    host->m_widget = host->m_control->widget();
    host->m_control->setEventSink(host.get());
    return host;
}

QWidget* ControlHost::widget() const {
    return m_widget.data();
}

DispResult ControlHost::invoke(int dispid, InvokeKind kind, QVariantList& args) {
    if (!m_widget) {
        return DispResult::error(E_FAIL, QStringLiteral("the control %1 is gone").arg(m_name));
    }
    return m_control->invoke(dispid, kind, args);
}

QWidget* ControlHost::createPropertyPage(QWidget* parent, QString* progId) const {
    using Entry = const PropertyPageModule* (*)();
    auto entry = reinterpret_cast<Entry>(QLibrary::resolve(m_path, BRINDLE_PROPERTY_PAGE_ENTRY));
    const PropertyPageModule* page = entry ? entry() : nullptr;
    if (!page || page->interfaceVersion != kControlInterfaceVersion || !page->create) {
        return nullptr;
    }
    if (progId) {
        *progId = QString::fromUtf8(page->progId);
    }
    return page->create(parent);
}

PropertyBag ControlHost::saveProperties() const {
    PropertyBag bag;
    if (m_widget) {
        m_control->saveProperties(bag);
    }
    return bag;
}

void ControlHost::loadProperties(const PropertyBag& bag) {
    if (m_widget) {
        m_control->loadProperties(bag);
    }
}

void ControlHost::onEvent(int dispid, std::function<void(const QVariantList&)> handler) {
    m_handlers.emplace(dispid, std::move(handler));
}

void ControlHost::fireEvent(int dispid, const QVariantList& args) {
    if (QThread::currentThread() == thread()) {
        deliver(dispid, args);
    } else {
        QMetaObject::invokeMethod(
            this, [this, dispid, args] { deliver(dispid, args); }, Qt::QueuedConnection);
    }
}

void ControlHost::deliver(int dispid, const QVariantList& args) {
    // Copy the handlers first: a handler may add another one.
    std::vector<std::function<void(const QVariantList&)>> handlers;
    for (auto [it, end] = m_handlers.equal_range(dispid); it != end; ++it) {
        handlers.push_back(it->second);
    }
    for (const auto& h : handlers) {
        h(args);
    }
    emit event(dispid, args);
}

}  // namespace brindle::dispatch
