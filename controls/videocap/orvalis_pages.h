// The control's five property pages (General, Display, Capture, Audio,
// Dialogs) in one sheet. Each field is bound to a property by name and
// read through the dispatch interface when the sheet opens; Apply and OK
// set, through the same interface, only the properties whose field the
// user changed, so an unchanged page reconnects or captures nothing.
#pragma once

#include "platform/dispatch/control_api.h"

#include <QDialog>
#include <QVariant>

#include <functional>
#include <vector>

class QTabWidget;
class QFormLayout;

namespace brindle::orvalis {

class PropertySheet : public QDialog {
public:
    // Reaches the control: a Get, Put or Method call by dispatch id.
    using Invoke = std::function<dispatch::DispResult(int dispid, dispatch::InvokeKind kind,
                                                      QVariantList& args)>;

    PropertySheet(Invoke invoke, QWidget* parent);

    // Reads every field from its property again.
    void reload();
    // Sets the changed fields' properties; answers how many were set.
    int apply();

    QTabWidget* pages() const { return m_tabs; }

private:
    enum class Kind { Text, Long, Short, Check };
    struct Field {
        int dispid;
        Kind kind;
        QWidget* widget;
        QVariant shown;  // the value the field was filled with
        bool readOnly;
    };

    QWidget* addPage(const QString& caption, const QString& name);
    void addField(QWidget* page, const QString& label, const char* property, int dispid, Kind kind,
                  bool readOnly = false);
    QVariant valueOf(const Field& f) const;
    void show(Field& f, const QVariant& value);

    Invoke m_invoke;
    QTabWidget* m_tabs = nullptr;
    std::vector<Field> m_fields;
};

}  // namespace brindle::orvalis
