// Vasklin, the trim slider control: a horizontal track with a position
// pointer, two trim marks bounding an edit range, and a back and a forward
// button. The user drags the pointer and the marks, clicks the track to page,
// clicks or holds the buttons to step, or uses the keyboard. Every value is
// clamped, never refused, and every move the user makes is reported by an
// event. The clip edit dialog uses it to choose a clip's frame range.
#pragma once

#include "controls/trimslider/vasklin_geometry.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_api.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

namespace brindle::vasklin {

using dispatch::DispResult;

class Vasklin : public QWidget, public dispatch::Control {
public:
    explicit Vasklin(QWidget* parent);
    ~Vasklin() override;

    QWidget* widget() override { return this; }
    DispResult invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) override;
    void saveProperties(dispatch::PropertyBag& bag) const override;
    void loadProperties(const dispatch::PropertyBag& bag) override;

    QSize sizeHint() const override { return {300, 40}; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Dispatch members.
    DispResult getTickCount();
    DispResult putTickCount(const QVariant& value);
    DispResult getShowTrimCtl();
    DispResult putShowTrimCtl(const QVariant& value);
    DispResult getPointerPos();
    DispResult putPointerPos(const QVariant& value);
    DispResult getTickRatio();
    DispResult putTickRatio(const QVariant& value);
    DispResult getStartEditPos();
    DispResult putStartEditPos(const QVariant& value);
    DispResult getEndEditPos();
    DispResult putEndEditPos(const QVariant& value);
    DispResult getPageSize();
    DispResult putPageSize(const QVariant& value);
    DispResult setTotalRange(QVariantList& args);
    DispResult getTotalRange(QVariantList& args);
    DispResult getEndPos(QVariantList& args);
    DispResult getStartPos(QVariantList& args);
    DispResult getEditStartPos(QVariantList& args);
    DispResult getEditEndPos(QVariantList& args);
    DispResult setCurPosToolTip(QVariantList& args);
    DispResult setStartToolTip(QVariantList& args);
    DispResult setEndToolTip(QVariantList& args);
    DispResult setBackToolTip(QVariantList& args);
    DispResult setFwdToolTip(QVariantList& args);
    DispResult enableToolTips(QVariantList& args);
    DispResult getEnabled();
    DispResult putEnabled(const QVariant& value);
    DispResult getBackColor();
    DispResult putBackColor(const QVariant& value);

    // The three moves every change goes through; each clamps, and fires its
    // event only when asked and only when the value changed.
    void movePointer(std::int64_t to, bool withEvent);
    void moveStartMark(std::int64_t to, bool withEvent);
    void moveEndMark(std::int64_t to, bool withEvent);

    // What a click on (or a repeat tick over) a part does.
    void clickAction(int part);
    void stopRepeat();
    void blinkTick();
    void setHotButton(int part);

    Geometry geometry() const { return Geometry(rect(), m_state); }
    // Repaints the union of a part's old and new places.
    void updateMoved(const QRect& before, const QRect& after);

    void paintButton(QPainter& p, int part, const Geometry& g);
    void paintMark(QPainter& p, int part, const Geometry& g);

    static const std::array<dispatch::Member<Vasklin>, 21> kTable;

    SliderState m_state;
    std::int32_t m_pageSize = 10;
    std::int32_t m_step = 1;
    std::int32_t m_tickCount = 0;
    bool m_blinkPhase = false;
    bool m_modified = false;
    QColor m_backColor;  // invalid: the palette's button face

    int m_pressedPart = 0;
    bool m_dragging = false;
    int m_lastX = 0;
    bool m_pressedShown = false;  // the pressed button is drawn pressed
    int m_hotButton = 0;          // the button under the mouse, drawn highlighted

    std::array<QString, 5> m_tips;  // back, forward, pointer, start mark, end mark
    bool m_tipsEnabled = true;

    QTimer m_repeat;
    QTimer m_blink;
};

// The control's property page: it has nothing to set.
class VasklinPropPage : public QWidget {
public:
    explicit VasklinPropPage(QWidget* parent);
};

}  // namespace brindle::vasklin
