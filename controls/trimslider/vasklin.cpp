#include "controls/trimslider/vasklin.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace brindle::vasklin {
namespace {

using dispatch::argAs;
using dispatch::DISP_E_BADPARAMCOUNT;
using dispatch::DISP_E_TYPEMISMATCH;

// The repeat timer of a held button: a first tick after half a second, then
// about thirty a second.
constexpr int kRepeatFirstMs = 500;
constexpr int kRepeatNextMs = 33;

// Values are compared as unsigned numbers, so a negative value behaves as a
// very large one and is clamped to the top of its range.
std::uint32_t u(std::int64_t v) {
    return static_cast<std::uint32_t>(v);
}
std::int32_t s(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

DispResult readLong(const QVariant& value, std::int32_t* out) {
    return dispatch::putValue(value, out);
}

DispResult longResult(std::int32_t v) {
    return DispResult::value_of(QVariant::fromValue<std::int32_t>(v));
}

// The tooltip slot of each part: back, forward, pointer, start mark, end mark.
int tipIndex(int part) {
    switch (part) {
        case PartBack:
            return 0;
        case PartForward:
            return 1;
        case PartPointer:
            return 2;
        case PartStartMark:
            return 3;
        case PartEndMark:
            return 4;
        default:
            return -1;
    }
}

}  // namespace

const std::array<dispatch::Member<Vasklin>, 21> Vasklin::kTable{{
    {DispTickCount, "TickCount", &Vasklin::getTickCount, &Vasklin::putTickCount},
    {DispShowTrimCtl, "ShowTrimCtl", &Vasklin::getShowTrimCtl, &Vasklin::putShowTrimCtl},
    {DispPointerPos, "PointerPos", &Vasklin::getPointerPos, &Vasklin::putPointerPos},
    {DispTickRatio, "TickRatio", &Vasklin::getTickRatio, &Vasklin::putTickRatio},
    {DispStartEditPos, "StartEditPos", &Vasklin::getStartEditPos, &Vasklin::putStartEditPos},
    {DispEndEditPos, "EndEditPos", &Vasklin::getEndEditPos, &Vasklin::putEndEditPos},
    {DispPageSize, "PageSize", &Vasklin::getPageSize, &Vasklin::putPageSize},
    {DispSetTotalRange, "SetTotalRange", nullptr, nullptr, &Vasklin::setTotalRange},
    {DispGetTotalRange, "GetTotalRange", nullptr, nullptr, &Vasklin::getTotalRange},
    {DispGetEndPos, "GetEndPos", nullptr, nullptr, &Vasklin::getEndPos},
    {DispGetStartPos, "GetStartPos", nullptr, nullptr, &Vasklin::getStartPos},
    {DispGetEditStartPos, "GetEditStartPos", nullptr, nullptr, &Vasklin::getEditStartPos},
    {DispGetEditEndPos, "GetEditEndPos", nullptr, nullptr, &Vasklin::getEditEndPos},
    {DispSetCurPosToolTip, "SetCurPosToolTip", nullptr, nullptr, &Vasklin::setCurPosToolTip},
    {DispSetStartToolTip, "SetStartToolTip", nullptr, nullptr, &Vasklin::setStartToolTip},
    {DispSetEndToolTip, "SetEndToolTip", nullptr, nullptr, &Vasklin::setEndToolTip},
    {DispSetBackToolTip, "SetBackToolTip", nullptr, nullptr, &Vasklin::setBackToolTip},
    {DispSetFwdToolTip, "SetFwdToolTip", nullptr, nullptr, &Vasklin::setFwdToolTip},
    {DispEnableToolTips, "EnableToolTips", nullptr, nullptr, &Vasklin::enableToolTips},
    {DispEnabled, "Enabled", &Vasklin::getEnabled, &Vasklin::putEnabled},
    {DispBackColor, "BackColor", &Vasklin::getBackColor, &Vasklin::putBackColor},
}};

Vasklin::Vasklin(QWidget* parent) : QWidget(parent) {
    setObjectName("Vasklin");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    resize(sizeHint());
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        m_repeat.setInterval(kRepeatNextMs);
        clickAction(m_pressedPart);
    });
    connect(&m_blink, &QTimer::timeout, this, [this] { blinkTick(); });
}

Vasklin::~Vasklin() = default;

DispResult Vasklin::invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) {
    return dispatch::dispatchByTable<Vasklin>(*this, kTable, dispid, kind, args);
}

void Vasklin::saveProperties(dispatch::PropertyBag& bag) const {
    // Nothing is persisted but the exchange's version.
    bag.setVersion("1.0");
}

void Vasklin::loadProperties(const dispatch::PropertyBag&) {}

// ---- properties -----------------------------------------------------------

DispResult Vasklin::getTickCount() {
    return longResult(m_tickCount);
}

DispResult Vasklin::putTickCount(const QVariant& value) {
    std::int32_t n = 0;
    if (DispResult r = readLong(value, &n); !r.ok()) {
        return r;
    }
    if (n == 0) {
        return {};  // 0 leaves the ticks as they are
    }
    const std::uint32_t half = u(geometry().track().width() / 2);
    m_tickCount = s(std::min(u(n), half));
    update();
    return {};
}

DispResult Vasklin::getShowTrimCtl() {
    return DispResult::value_of(m_state.showTrim);
}

DispResult Vasklin::putShowTrimCtl(const QVariant& value) {
    const bool show = value.toBool();
    if (show != m_state.showTrim) {
        m_state.showTrim = show;
        if (!show) {
            m_blink.stop();
            m_blinkPhase = false;
        } else if (m_state.editStart == m_state.rangeStart && m_state.editEnd == m_state.rangeEnd) {
            m_blink.start(std::max(100, QApplication::cursorFlashTime() / 2));
        }
    }
    update();
    return {};
}

DispResult Vasklin::getPointerPos() {
    return longResult(m_state.pointer);
}

DispResult Vasklin::putPointerPos(const QVariant& value) {
    std::int32_t v = 0;
    if (DispResult r = readLong(value, &v); !r.ok()) {
        return r;
    }
    movePointer(v, false);
    return {};
}

DispResult Vasklin::getTickRatio() {
    return longResult(0);
}

DispResult Vasklin::putTickRatio(const QVariant&) {
    m_modified = true;
    return {};
}

DispResult Vasklin::getStartEditPos() {
    return longResult(m_state.editStart);
}

DispResult Vasklin::putStartEditPos(const QVariant& value) {
    std::int32_t v = 0;
    if (DispResult r = readLong(value, &v); !r.ok()) {
        return r;
    }
    moveStartMark(v, false);
    return {};
}

DispResult Vasklin::getEndEditPos() {
    return longResult(m_state.editEnd);
}

DispResult Vasklin::putEndEditPos(const QVariant& value) {
    std::int32_t v = 0;
    if (DispResult r = readLong(value, &v); !r.ok()) {
        return r;
    }
    moveEndMark(v, false);
    return {};
}

DispResult Vasklin::getPageSize() {
    return longResult(m_pageSize);
}

DispResult Vasklin::putPageSize(const QVariant& value) {
    std::int32_t v = 0;
    if (DispResult r = readLong(value, &v); !r.ok()) {
        return r;
    }
    m_pageSize = s(std::min(u(v), u(m_state.rangeEnd)));
    return {};
}

DispResult Vasklin::getEnabled() {
    return DispResult::value_of(isEnabled());
}

DispResult Vasklin::putEnabled(const QVariant& value) {
    setEnabled(value.toBool());
    return {};
}

DispResult Vasklin::getBackColor() {
    const QColor c = m_backColor.isValid() ? m_backColor : palette().color(QPalette::Button);
    const std::int32_t bgr = c.red() | (c.green() << 8) | (c.blue() << 16);
    return longResult(bgr);
}

DispResult Vasklin::putBackColor(const QVariant& value) {
    std::int32_t bgr = 0;
    if (DispResult r = readLong(value, &bgr); !r.ok()) {
        return r;
    }
    m_backColor = QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
    update();
    return {};
}

// ---- methods --------------------------------------------------------------

DispResult Vasklin::setTotalRange(QVariantList& args) {
    if (args.size() != 2) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    std::int32_t first = 0;
    std::int32_t last = 0;
    if (!argAs(args[0], &first) || !argAs(args[1], &last)) {
        return DispResult::error(DISP_E_TYPEMISMATCH);
    }
    if (!(first < last)) {
        return {};
    }
    m_state.rangeStart = first;
    m_state.rangeEnd = last;
    // Both marks are brought inside the new range, the end mark never below
    // the start mark, and the pointer inside the marks. A mark that moves
    // reports it and drags the pointer to itself, as a user's move does.
    const std::uint32_t lo = u(first);
    const std::uint32_t hi = u(last);
    const std::uint32_t start = std::clamp(u(m_state.editStart), lo, hi);
    const std::uint32_t end = std::clamp(u(m_state.editEnd), start, hi);
    const bool startMoved = start != u(m_state.editStart);
    const bool endMoved = end != u(m_state.editEnd);
    m_state.editStart = s(start);
    m_state.editEnd = s(end);
    if (startMoved) {
        fire(EventStartEditPosChanged, {m_state.editStart});
        movePointer(m_state.editStart, true);
    }
    if (endMoved) {
        fire(EventEndEditPosChanged, {m_state.editEnd});
        movePointer(m_state.editEnd, true);
    }
    movePointer(m_state.pointer, true);
    if (m_pageSize > last) {
        m_pageSize = last;  // the page never exceeds the range end
    }
    m_modified = true;
    update();
    return {};
}

DispResult Vasklin::getTotalRange(QVariantList& args) {
    if (args.size() != 2) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    return {};  // hosts read the range with GetStartPos and GetEndPos
}

DispResult Vasklin::getEndPos(QVariantList&) {
    return longResult(m_state.rangeEnd);
}

DispResult Vasklin::getStartPos(QVariantList&) {
    return longResult(m_state.rangeStart);
}

DispResult Vasklin::getEditStartPos(QVariantList&) {
    return longResult(m_state.editStart);
}

DispResult Vasklin::getEditEndPos(QVariantList&) {
    return longResult(m_state.editEnd);
}

namespace {

DispResult storeTip(QVariantList& args, QString* into) {
    if (args.size() != 1) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    *into = args[0].toString();
    return DispResult::value_of(true);
}

}  // namespace

DispResult Vasklin::setCurPosToolTip(QVariantList& args) {
    return storeTip(args, &m_tips[2]);
}

DispResult Vasklin::setStartToolTip(QVariantList& args) {
    return storeTip(args, &m_tips[3]);
}

DispResult Vasklin::setEndToolTip(QVariantList& args) {
    return storeTip(args, &m_tips[4]);
}

DispResult Vasklin::setBackToolTip(QVariantList& args) {
    return storeTip(args, &m_tips[0]);
}

DispResult Vasklin::setFwdToolTip(QVariantList& args) {
    return storeTip(args, &m_tips[1]);
}

DispResult Vasklin::enableToolTips(QVariantList& args) {
    if (args.size() != 1) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    const bool previous = m_tipsEnabled;
    m_tipsEnabled = args[0].toBool();
    if (!m_tipsEnabled) {
        QToolTip::hideText();
    }
    return DispResult::value_of(previous);
}

// ---- moves ----------------------------------------------------------------

void Vasklin::movePointer(std::int64_t to, bool withEvent) {
    std::uint32_t v = u(to);
    v = std::max(v, u(m_state.editStart));
    v = std::min(v, u(m_state.editEnd));
    if (s(v) == m_state.pointer) {
        return;
    }
    const QRect before = geometry().pointerRect();
    m_state.pointer = s(v);
    m_modified = true;
    if (withEvent) {
        fire(EventPointerPosChanged, {m_state.pointer});
    }
    updateMoved(before, geometry().pointerRect());
}

void Vasklin::moveStartMark(std::int64_t to, bool withEvent) {
    std::uint32_t v = u(to);
    v = std::max(v, u(m_state.rangeStart));
    v = std::min(v, u(m_state.rangeEnd));
    v = std::min(v, u(m_state.editEnd));
    if (s(v) == m_state.editStart) {
        return;
    }
    const Geometry old = geometry();
    m_state.editStart = s(v);
    m_modified = true;
    if (withEvent) {
        fire(EventStartEditPosChanged, {m_state.editStart});
    }
    updateMoved(old.startMarkRect().united(old.track()), geometry().startMarkRect());
    movePointer(m_state.editStart, true);
}

void Vasklin::moveEndMark(std::int64_t to, bool withEvent) {
    std::uint32_t v = u(to);
    v = std::max(v, u(m_state.rangeStart));
    v = std::min(v, u(m_state.rangeEnd));
    v = std::max(v, u(m_state.editStart));
    if (s(v) == m_state.editEnd) {
        return;
    }
    const Geometry old = geometry();
    m_state.editEnd = s(v);
    m_modified = true;
    if (withEvent) {
        fire(EventEndEditPosChanged, {m_state.editEnd});
    }
    updateMoved(old.endMarkRect().united(old.track()), geometry().endMarkRect());
    movePointer(m_state.editEnd, true);
}

void Vasklin::updateMoved(const QRect& before, const QRect& after) {
    // Marks and pointer are drawn with antialiased edges: a pixel of margin.
    update(before.united(after).adjusted(-1, -1, 1, 1));
}

void Vasklin::clickAction(int part) {
    const std::int64_t p = m_state.pointer;
    switch (part) {
        case PartTrackRight:
            movePointer(p + m_pageSize, true);
            break;
        case PartTrackLeft:
            movePointer(std::max<std::int64_t>(0, p - m_pageSize), true);
            break;
        case PartForward:
            movePointer(p + m_step, true);
            break;
        case PartBack:
            movePointer(std::max<std::int64_t>(0, p - m_step), true);
            break;
        default:
            break;
    }
}

void Vasklin::blinkTick() {
    if (!m_state.showTrim || m_state.editStart != m_state.rangeStart ||
        m_state.editEnd != m_state.rangeEnd) {
        m_blink.stop();
        m_blinkPhase = false;
    } else {
        m_blinkPhase = !m_blinkPhase;
    }
    const Geometry g = geometry();
    update(g.startMarkRect().united(g.endMarkRect()).adjusted(-1, -1, 1, 1));
}

// ---- mouse ----------------------------------------------------------------

void Vasklin::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    m_pressedPart = geometry().hitTest(pos);
    switch (m_pressedPart) {
        case PartStartMark:
        case PartEndMark:
        case PartPointer:
        case PartForward:
        case PartBack:
            m_dragging = true;
            m_lastX = pos.x();
            break;
        default:
            break;
    }
    if (m_pressedPart == PartForward || m_pressedPart == PartBack) {
        m_pressedShown = true;
        update(geometry().partRect(m_pressedPart));
    }
    m_repeat.start(kRepeatFirstMs);
}

void Vasklin::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void Vasklin::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const Geometry g = geometry();
    if (!m_dragging) {
        const int part = g.hitTest(pos);
        setHotButton(part == PartForward || part == PartBack ? part : 0);
        if (part == PartStartMark || part == PartEndMark) {
            setCursor(Qt::SizeHorCursor);
        } else {
            unsetCursor();
        }
        return;
    }
    if (m_pressedPart == PartForward || m_pressedPart == PartBack) {
        const bool over = g.hitTest(pos) == m_pressedPart;
        if (over != m_pressedShown) {
            m_pressedShown = over;
            update(g.partRect(m_pressedPart));
        }
        return;
    }
    const std::int64_t d = g.unitsFor(pos.x() - m_lastX);
    if (d == 0) {
        return;
    }
    const std::int64_t signedD = pos.x() > m_lastX ? d : -d;
    m_lastX = pos.x();
    switch (m_pressedPart) {
        case PartStartMark:
            moveStartMark(std::max<std::int64_t>(0, m_state.editStart + signedD), true);
            break;
        case PartEndMark:
            moveEndMark(std::max<std::int64_t>(0, m_state.editEnd + signedD), true);
            break;
        case PartPointer:
            movePointer(std::max<std::int64_t>(0, m_state.pointer + signedD), true);
            break;
        default:
            break;
    }
}

void Vasklin::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int pressed = m_pressedPart;
    stopRepeat();
    if (pressed != 0 && geometry().hitTest(event->position().toPoint()) == pressed) {
        clickAction(pressed);
    }
}

void Vasklin::stopRepeat() {
    m_repeat.stop();
    m_dragging = false;
    if (m_pressedShown) {
        m_pressedShown = false;
        update(geometry().partRect(m_pressedPart));
    }
    m_pressedPart = 0;
}

void Vasklin::setHotButton(int part) {
    if (part == m_hotButton) {
        return;
    }
    const Geometry g = geometry();
    update(g.partRect(m_hotButton));
    m_hotButton = part;
    update(g.partRect(m_hotButton));
}

void Vasklin::leaveEvent(QEvent*) {
    setHotButton(0);
}

// ---- keyboard -------------------------------------------------------------

void Vasklin::keyPressEvent(QKeyEvent* event) {
    // The modifiers are read from this very key, never remembered: a Shift
    // released while the focus was elsewhere must not steer the next key.
    const Qt::KeyboardModifiers mods = event->modifiers();
    enum Target { Pointer, StartMark, EndMark } target = Pointer;
    if (m_state.showTrim && (mods & Qt::ShiftModifier)) {
        target = StartMark;
    } else if (m_state.showTrim && (mods & Qt::ControlModifier)) {
        target = EndMark;
    }
    const std::int64_t current = target == StartMark ? m_state.editStart
                                 : target == EndMark ? m_state.editEnd
                                                     : m_state.pointer;
    std::int64_t to = current;
    switch (event->key()) {
        case Qt::Key_PageUp:
            to = current + m_pageSize;
            break;
        case Qt::Key_PageDown:
            to = std::max<std::int64_t>(0, current - m_pageSize);
            break;
        case Qt::Key_End:
            to = target == Pointer ? m_state.editEnd : m_state.rangeEnd;
            break;
        case Qt::Key_Home:
            to = target == Pointer ? m_state.editStart : m_state.rangeStart;
            break;
        case Qt::Key_Left:
        case Qt::Key_Down:
            to = std::max<std::int64_t>(0, current - m_step);
            break;
        case Qt::Key_Up:
        case Qt::Key_Right:
            to = current + m_step;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    switch (target) {
        case StartMark:
            moveStartMark(to, true);
            break;
        case EndMark:
            moveEndMark(to, true);
            break;
        case Pointer:
            movePointer(to, true);
            break;
    }
    event->accept();
}

// ---- window events --------------------------------------------------------

bool Vasklin::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const Geometry g = geometry();
        const int part = g.hitTest(help->pos());
        const int index = tipIndex(part);
        if (m_tipsEnabled && index >= 0 && !m_tips[index].isEmpty()) {
            QToolTip::showText(help->globalPos(), m_tips[index], this, g.partRect(part));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // The control takes the keys it moves by before any shortcut does.
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
                event->accept();
                return true;
            default:
                break;
        }
    }
    return QWidget::event(event);
}

void Vasklin::focusInEvent(QFocusEvent*) {
    update();
}

void Vasklin::focusOutEvent(QFocusEvent*) {
    update();
}

void Vasklin::showEvent(QShowEvent*) {
    raise();
}

void Vasklin::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        stopRepeat();
        m_blink.stop();
        m_blinkPhase = false;
        setHotButton(0);
    }
    QWidget::changeEvent(event);
}

// ---- property page --------------------------------------------------------

VasklinPropPage::VasklinPropPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TSlider2PropPage");
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(tr("The trim slider has no properties to set here."), this);
    note->setEnabled(false);
    layout->addWidget(note);
    layout->addStretch();
}

}  // namespace brindle::vasklin
