// The story editor window inside the main frame: the button bar, the
// product identity picture, the slide strip and the shade panel that
// covers it all while a dialog is open.
#pragma once

#include <QKeySequence>
#include <QWidget>

class QPushButton;
class QToolButton;

namespace brindle {

class SlideStrip;

class EditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);

    SlideStrip* strip() const { return m_strip; }
    QPushButton* button(const char* name) const;
    QWidget* buttonBar() const { return m_buttonBar; }
    QToolButton* identity() const { return m_identity; }
    QWidget* windowShade() const { return m_shade; }

    // Covers the editor with the shade panel, or takes it away.
    void setShaded(bool shaded);

signals:
    void identityClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* addButton(const char* name, int captionEntry, int tooltipEntry,
                           const QKeySequence& key = {});

    QWidget* m_buttonBar;
    SlideStrip* m_strip;
    QToolButton* m_identity;
    QWidget* m_shade;
};

}  // namespace brindle
