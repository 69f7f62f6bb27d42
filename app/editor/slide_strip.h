// The editor's slide strip: five cells showing slides gFirstVisible..+4
// with their thumbnails, numbers, selection mark and caption and audio
// buttons, a scroll bar over the slide list, and the background track
// button. Slides are selected by a click, moved by dragging one cell onto
// another, and files dropped from a file manager are handed on to the
// editor with the place they were dropped at.
#pragma once

#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class QContextMenuEvent;
class QDrag;
class QFocusEvent;
class QFrame;
class QKeyEvent;
class QLabel;
class QMimeData;
class QScrollBar;
class QTimer;
class QToolButton;

namespace brindle {

class StripElement;
class SlideBarFrame;
class MediaElement;

// How a slide is named to the user: the kind word, " Slide " and its
// number ("Image Slide 3"), or "Empty Slide" for a placeholder.
QString slideTitle(const MediaElement& slide, int number);

// The widgets of one cell, named as the editor's control arrays
// ("Element0".."Element4", "SlideLabel0", ...).
struct StripCell {
    StripElement* Element = nullptr;  // thumbnail; drag source and drop target
    QLabel* ElementBack = nullptr;    // frame picture
    QLabel* SlideLabel = nullptr;     // slide number as plain decimal text
    QWidget* Selection = nullptr;     // selection mark
    QToolButton* ElemText = nullptr;  // text caption button
    QToolButton* ElemAud = nullptr;   // audio caption button, video edit on video slides
};

class SlideStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCells = 5;
    // The horizontal distance the mouse must move beyond, with the button
    // held, before a press on a cell becomes a drag.
    static constexpr int kDragDistance = 20;
    // The MIME type of a slide being dragged inside the strip; the data is
    // the slide number as decimal text.
    static constexpr const char* kSlideMimeType = "application/x-brindle-slide";

    explicit SlideStrip(QWidget* parent = nullptr);
    ~SlideStrip() override;

    QSize sizeHint() const override;

    // Redraws the strip from gProject and the strip state.
    void refreshStrip();
    // A new project: nothing selected, slide 1 first, the cells hidden and
    // the empty-strip hint shown.
    void resetStrip();
    // After opening a project: slide 1 first and selected, the scroll range
    // fitted to the slide count.
    void showFromFirstSlide();
    // Fills cell `cell` (0..4) from slide `slide` (1-based).
    void showCell(int cell, int slide);
    // Moves a slide inside gProject (see move_element.h).
    bool moveElement(int from, int to);
    // Fits the scroll range to the slide count: 1..count - 4 with more than
    // five slides, else 1..1.
    void setScrollRange();
    // Scrolls so that `slide` is shown (after adding a slide past the last
    // cell, say) and redraws.
    void ensureVisible(int slide);

    // The area behind the cells, which takes dropped files.
    QWidget* slideBar() const;
    QScrollBar* scrollBar() const { return m_scrollBar; }
    QToolButton* backAudButton() const { return m_backAud; }
    QLabel* backAudCaption() const { return m_backAudCaption; }
    const StripCell& cell(int index) const { return m_cells.at(static_cast<size_t>(index)); }
    // The slide a cell shows, read back from its number; 0 when it is empty.
    int slideInCell(int index) const;

    // The slide after which files dropped at `pos` (slide bar coordinates)
    // belong: the slide of the last shown cell whose left edge lies left of
    // the point, the slide before the first shown one left of cell 0, 0 in
    // an empty project.
    int dropPlace(const QPoint& pos) const;

    // How a drag is carried out; the default runs QDrag::exec. Tests put in
    // a runner that does not wait for the mouse.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;
    void setDragRunner(DragRunner runner);
    // How the scroll click is played; the default is playWavFile.
    using SoundPlayer = std::function<void(const QString& path)>;
    void setSoundPlayer(SoundPlayer player);
    // The sound played at each scroll step while a slide is dragged over
    // the strip's ends.
    static QString scrollSoundPath();

    // Keyboard use: selects slide (clamped to the project), scrolling it
    // into view; moves the selected slide by step places.
    void selectSlide(int slide);
    void moveSelectedSlide(int step);
    // The middle of the selected slide's cell on the screen (the strip's
    // middle when none is shown), where a menu opened by key appears.
    QPoint selectedCellCentre() const;

signals:
    void slideSelected(int slide);
    void captionButtonClicked(int slide);
    void audioButtonClicked(int slide);  // video edit on video slides
    void backTrackClicked();
    // The context menu for `slide` should be prepared (after every refresh,
    // mouse release and drag, and before a caption button's signal).
    void contextMenuSetup(int slide);
    // The right button was released over a slide: show its context menu.
    void contextMenuRequested(int slide, const QPoint& globalPos);
    // Files dropped from a file manager (local files only); the new slides
    // go after `afterSlide` (0: before the first). gSelectedSlide is already
    // `afterSlide`, and gSelectedCell its cell (-1 when not shown).
    void filesDropped(const QStringList& paths, int afterSlide);
    // A slide dragged onto a cell was moved there (gProjectChanged is set;
    // also sent for a drop on its own cell, which keeps the order).
    void stripChanged();
    // A drag of `slide` has begun.
    void dragStarted(int slide);
    // Keys on the strip: Delete asks to remove the selected slide, Enter to
    // edit it.
    void removeRequested(int slide);
    void editRequested(int slide);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class StripElement;
    friend class SlideBarFrame;

    void buildCell(int index);
    void hideCell(int index);
    void selectCell(int index);
    void onScroll(int value);

    // Called by the cells and the slide bar.
    void elementPressed(int index, const QPoint& pos, Qt::MouseButton button);
    void elementMoved(int index, const QPoint& pos, Qt::MouseButtons buttons);
    void elementReleased(int index, const QPoint& globalPos, Qt::MouseButton button);
    bool acceptsSlideDrag(const QMimeData* mime) const;
    void slideDragEntered(int index);
    void slideDragLeft();
    void slideDropped(int index, const QMimeData* mime);
    void scrollStep();
    bool dropFiles(const QMimeData* mime, const QPoint& barPos);
    void captionClicked(int index, bool audio);
    // Focus, key and screen-reader set-up of the constructor.
    void setupKeyboard();
    // The focus frame and the texts a screen reader gives for the strip and
    // its cells, after every redraw.
    void updateFocusAndNames();

    SlideBarFrame* m_slideBar = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QToolButton* m_backAud = nullptr;
    QLabel* m_backAudCaption = nullptr;
    std::array<StripCell, kCells> m_cells;

    int m_pressX = 0;             // where the last press on a cell was, for dragging
    bool m_pressPending = false;  // a press that may still become a drag
    bool m_dragging = false;
    bool m_thumbnailFailedInDrag = false;  // message 135 held back until the drag ends
    int m_scrollDirection = 0;             // +1 / -1 while a drag hovers over an end cell
    QTimer* m_scrollTimer = nullptr;
    QWidget* m_focusMark = nullptr;  // frame around the selection while the strip has the keys
    bool m_refreshing = false;

    DragRunner m_dragRunner;
    SoundPlayer m_soundPlayer;
};

}  // namespace brindle
