// What the project code asks of the window that shows the project: the
// caption, the slide strip, the dimming around dialogs, and the two hidden
// controls the editor window keeps for file work (the image control
// `Worker` and the clip edit control). The editor registers its main frame;
// brindle-cli registers a window-less view, so the same project code runs
// in both.
#pragma once

#include <QString>

class QWidget;

namespace brindle {

class ImageControl;
namespace dispatch {
class ControlHost;
}

class ProjectView {
public:
    virtual ~ProjectView() = default;

    // The main window's caption.
    virtual void setCaption(const QString& caption) = 0;
    // Empties the strip: first shown slide and selection reset, the five
    // cells emptied and hidden, the empty-strip hint shown.
    virtual void resetStrip() = 0;
    // Makes the strip show slide 1 first; with more than five slides the
    // scroll range becomes count - 4.
    virtual void showFromFirstSlide() = 0;
    // Redraws the strip from gProject.
    virtual void refreshStrip() = 0;
    // Dims the editor around a dialog (true) or undims it (false); dimming
    // also ends the child program started last.
    virtual void dimTheWindow(bool dim) = 0;
    // Parent for dialogs and message boxes; nullptr without a window.
    virtual QWidget* dialogParent() = 0;
    // The hidden image control `Worker`.
    virtual ImageControl& worker() = 0;
    // The editor's clip edit control; nullptr when it could not be loaded.
    virtual dispatch::ControlHost* clipEditControl() = 0;
};

// The registered view; nullptr before one is registered.
void setProjectView(ProjectView* view);
ProjectView* projectView();

}  // namespace brindle
