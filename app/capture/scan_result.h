// The scan result dialog: a page just scanned, or the picture of an image
// or snapshot slide, shown for cropping (rubber band), quarter turns and
// brightness. Done saves the result as gTempFolder + "/scan.jpg" and adds
// it as a new image slide or puts it in place of the edited slide's picture
// and thumbnail. The editor's hidden image control Worker holds the
// unaltered picture, LEAD1 the working copy (see ScanEdit).
#pragma once

#include "app/capture/scan_edit.h"

#include <QDialog>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace brindle {

class ImageView;

class ScanResult : public QDialog {
    Q_OBJECT
public:
    // Adds a slide of the given type from a file; answers its position,
    // below 1 on failure. The editor supplies it.
    using SlideAdder = std::function<int(std::int16_t mediaType, const QString& file)>;

    explicit ScanResult(QWidget* parent);
    ~ScanResult() override;

    void setSlideAdder(SlideAdder adder) { m_addSlide = std::move(adder); }
    // The slide whose picture an edit replaces (1-based).
    void setEditedSlide(int slide) { m_editedSlide = slide; }

    // Empty name: scan a page from gScanner; otherwise edit that picture.
    // True when a picture is shown; on false the dialog is closed.
    bool initTheForm(const QString& fileName);

    ImageView* LEAD1() const { return m_lead; }
    QSlider* HScroll1() const { return m_slider; }
    QLabel* Label1() const { return m_label; }

    void Crop_Click();
    void Rotate_Click();
    void Done_Click();
    void Cancel_Click();

protected:
    void reject() override;

private:
    void brightnessChanged(int value);

    ImageView* m_lead;
    QGroupBox* m_frame;
    QSlider* m_slider;
    QLabel* m_label;
    std::unique_ptr<ScanEdit> m_edit;
    SlideAdder m_addSlide;
    int m_editedSlide = 0;
    std::int16_t m_editFlag = 0;
};

}  // namespace brindle
