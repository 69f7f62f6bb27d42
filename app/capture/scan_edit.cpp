#include "app/capture/scan_edit.h"

#include "components/imaging/image_control.h"
#include "components/imaging/image_view.h"
#include "platform/messages.h"

#include <cmath>

namespace brindle {

namespace {

constexpr int kBrightnessStep = 25;
constexpr int kQuarterTurn = 9000;

}  // namespace

void ScanEdit::setBrightness(int sliderValue) {
    ImageControl& lead = m_view.control();
    lead.copyFrom(m_worker);
    if (sliderValue != 0) {
        lead.changeBrightness(sliderValue * kBrightnessStep);
    }
    m_view.repaintImage();
}

bool ScanEdit::crop() {
    if (!m_view.selectionPresent()) {
        MsgBox(str::SelectCropArea);
        return false;
    }
    ImageControl& lead = m_view.control();
    const QRect cut =
        toImagePixels(m_view.selection(), QSize(m_view.displayWidth(), m_view.displayHeight()),
                      QSize(lead.width(), lead.height()));
    m_view.setSelectionPresent(false);
    if (cut.isEmpty() ||
        lead.crop(cut.left(), cut.top(), cut.width(), cut.height()) != ImageStatus::Ok) {
        m_view.repaintImage();
        return false;
    }
    m_view.repaintImage();
    m_worker.copyFrom(lead);
    return true;
}

bool ScanEdit::rotate() {
    m_view.setSelectionPresent(false);
    ImageControl& lead = m_view.control();
    const bool turned = lead.rotate(kQuarterTurn, ImageControl::kRotateResize,
                                    m_view.backColor()) == ImageStatus::Ok;
    m_view.repaintImage();
    if (turned) {
        m_worker.copyFrom(lead);
    }
    return turned;
}

QString ScanEdit::brightnessText(int sliderValue) {
    return sliderValue >= 1 ? "+" + QString::number(sliderValue) : QString::number(sliderValue);
}

QRect ScanEdit::toImagePixels(const QRect& selection, QSize display, QSize image) {
    if (display.width() <= 0 || display.height() <= 0 || image.isEmpty() || selection.isEmpty()) {
        return {};
    }
    const double fx = double(image.width()) / display.width();
    const double fy = double(image.height()) / display.height();
    const int left = int(std::lround(selection.left() * fx));
    const int top = int(std::lround(selection.top() * fy));
    const int right = int(std::lround((selection.left() + selection.width()) * fx));
    const int bottom = int(std::lround((selection.top() + selection.height()) * fy));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))
        .intersected(QRect(QPoint(0, 0), image));
}

}  // namespace brindle
