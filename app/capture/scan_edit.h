// The picture work of the scan result dialog, kept apart from its widgets:
// the hidden image control Worker holds the unaltered picture and the
// visible one (LEAD1) the working copy. A brightness change always starts
// again from Worker, so changes never add up; crop and rotate change the
// working copy and make it the new unaltered picture.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace brindle {

class ImageControl;
class ImageView;

class ScanEdit {
public:
    ScanEdit(ImageControl& worker, ImageView& view) : m_worker(worker), m_view(view) {}

    // The slider's value (-10..10) applied to a fresh copy of Worker's
    // picture, 25 units per step.
    void setBrightness(int sliderValue);
    // Cuts the working copy to the selection; message 69 without one.
    // False when nothing changed.
    bool crop();
    // A quarter turn clockwise, filled with the view's background colour.
    bool rotate();

    // The slider's value as its label shows it: "+3", "-2", "0".
    static QString brightnessText(int sliderValue);

    // A selection in display pixels as image pixels, kept inside the
    // picture; empty when either display side is 0 or nothing is left.
    static QRect toImagePixels(const QRect& selection, QSize display, QSize image);

private:
    ImageControl& m_worker;
    ImageView& m_view;
};

}  // namespace brindle
