// The main frame window: it holds the story editor window, its menus, the
// hidden controls the editor keeps for file work (the image control
// `Worker` and the clip edit control), and the exit rules. It is the
// project view the model and presentation code talk to.
#pragma once

#include "app/model/project_view.h"
#include "components/imaging/image_control.h"

#include <QMainWindow>

#include <map>
#include <memory>

class QAction;
class QMenu;

namespace brindle {

class EditorWindow;
class SlideStrip;

class MainFrame : public QMainWindow, public ProjectView {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    EditorWindow* editor() const { return m_editor; }
    SlideStrip* strip() const;
    // A menu item by its name ("mnuSave", "mnuAbout", ...); nullptr if none.
    QAction* item(const QString& name) const;
    QMenu* menu(const QString& name) const;
    QMenu* contextMenu() const { return m_context; }

    // Places the frame centred on the screen with the editor centred inside.
    void placeOnScreen();
    // Brings the frame to the front (another copy of the program asked).
    void comeForward();

    // Enables the slide items for slide k and composes the Edit item's
    // caption.
    void setupContextMenu(int k);

    // ProjectView
    void setCaption(const QString& caption) override;
    void resetStrip() override;
    void showFromFirstSlide() override;
    void refreshStrip() override;
    void dimTheWindow(bool dim) override;
    QWidget* dialogParent() override { return this; }
    ImageControl& worker() override { return m_worker; }
    dispatch::ControlHost* clipEditControl() override { return m_clipEdit.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    QAction* addItem(QMenu* menu, const char* name, int captionEntry,
                     const QKeySequence& shortcut = {});
    void connectCommands();
    void connectStrip();
    QSize minimumFrameSize() const;
    // The exit question and the work of closing; false keeps the program.
    bool confirmExit();

    EditorWindow* m_editor;
    QWidget* m_central;
    ImageControl m_worker;
    QWidget* m_controlParent;  // hidden parent of the clip edit control
    std::unique_ptr<dispatch::ControlHost> m_clipEdit;
    std::map<QString, QAction*> m_items;
    std::map<QString, QMenu*> m_menus;
    QMenu* m_context = nullptr;
    bool m_exitDone = false;
};

}  // namespace brindle
