// Hosting of embeddable controls: loads a control's library from the
// program's controls folder, creates an instance on a parent widget, and
// reaches it by dispatch id. Events arrive as the event() signal, always on
// the host's (GUI) thread.
#pragma once

#include "platform/dispatch/control_api.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

namespace brindle::dispatch {

class ControlHost : public QObject, public Caller<ControlHost>, private EventSink {
    Q_OBJECT
public:
    ~ControlHost() override;

    // Loads lib<name>.so and creates one instance under parent. On failure
    // answers nullptr and says why in *error (when given).
    static std::unique_ptr<ControlHost> load(const QString& name, QWidget* parent,
                                             QString* error = nullptr);

    // The folder controls are loaded from: $BRINDLE_CONTROLS_DIR when set,
    // else "controls" beside the program, else the installed library folder.
    static QString controlsFolder();

    QString name() const { return m_name; }
    QString progId() const { return m_progId; }
    QWidget* widget() const;

    DispResult invoke(int dispid, InvokeKind kind, QVariantList& args);

    // The control's property page under parent, with its ProgID in *progId;
    // nullptr when the library has none.
    QWidget* createPropertyPage(QWidget* parent, QString* progId = nullptr) const;

    PropertyBag saveProperties() const;
    void loadProperties(const PropertyBag& bag);

    // A handler for one event id, called with the event's arguments. Handlers
    // and the event() signal both see every event.
    void onEvent(int dispid, std::function<void(const QVariantList&)> handler);

signals:
    void event(int dispid, const QVariantList& args);

private:
    ControlHost() = default;
    void fireEvent(int dispid, const QVariantList& args) override;
    void deliver(int dispid, const QVariantList& args);

    QString m_name;
    QString m_progId;
    QString m_path;  // the library, loaded for the rest of the run
    std::unique_ptr<Control> m_control;
    QPointer<QWidget> m_widget;
    std::multimap<int, std::function<void(const QVariantList&)>> m_handlers;
};

}  // namespace brindle::dispatch
