// Where the trim slider's parts sit for a given client size and state: the
// track, the pointer, the two trim marks and the two step buttons, and which
// part a point hits. Pure arithmetic, shared by painting, the mouse and the
// tooltips so the three always agree.
#pragma once

#include <QPainterPath>
#include <QRect>

#include <cstdint>

namespace brindle::vasklin {

struct SliderState {
    std::int32_t rangeStart = 0;
    std::int32_t rangeEnd = 100;
    std::int32_t pointer = 0;
    std::int32_t editStart = 0;
    std::int32_t editEnd = 100;
    bool showTrim = false;
};

// Picture sizes of the parts, in device-independent pixels.
inline constexpr QSize kPointerSize{11, 17};
inline constexpr QSize kMarkSize{24, 33};
inline constexpr QSize kButtonSize{30, 21};
// The track leaves this much room on each side for the step buttons.
inline constexpr int kTrackInset = 43;
inline constexpr int kTrackTop = 7;
inline constexpr int kTrackHeight = 16;

class Geometry {
public:
    Geometry(const QRect& client, const SliderState& state);

    // The track; never narrower than 0 however small the control is.
    QRect track() const { return m_track; }
    // Pixels from the track's left edge for a distance in the host's units
    // (0 for an empty range or a track without width).
    int px(std::int64_t units) const;
    // The x of the pointer's tip.
    int pointerX() const {
        return m_track.left() + px(std::int64_t(m_state.pointer) - m_state.rangeStart);
    }
    // Host units one drag of dx pixels stands for (0 while the track has no width).
    std::int64_t unitsFor(int dxPixels) const;

    QRect editRange() const;
    QRect pointerRect() const;
    QRect startMarkRect() const;
    QRect endMarkRect() const;
    QRect forwardRect() const;
    QRect backRect() const;
    QRect partRect(int part) const;

    // The outline of a part's picture, placed; hits are tested against it.
    QPainterPath shape(int part) const;
    int hitTest(const QPoint& point) const;

    // Ticks: n + 1 lines from track.bottom + 3 to + 7.
    int tickX(int i, int n) const { return m_track.left() + i * (m_track.width() / n); }

private:
    std::int64_t rangeWidth() const;

    QRect m_track;
    SliderState m_state;
};

// Outlines of the part pictures at their own origin.
QPainterPath pointerOutline();
QPainterPath startMarkOutline();
QPainterPath endMarkOutline();
QPainterPath buttonOutline();

}  // namespace brindle::vasklin
