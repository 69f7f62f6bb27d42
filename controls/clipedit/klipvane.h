// Klipvane, the clip edit control: opens an AVI clip, hands out its frames
// as packed bitmaps and cuts it in place to a frame range, reporting the
// progress and any failure as events. It has no visible role at run time.
#pragma once

#include "controls/clipedit/klipvane_ids.h"
#include "platform/avi/avi_file.h"
#include "platform/dispatch/control_api.h"
#include "platform/stringtable.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace brindle::klipvane {

using dispatch::DispResult;

class Klipvane : public QWidget, public dispatch::Control {
public:
    explicit Klipvane(QWidget* parent);
    ~Klipvane() override;

    QWidget* widget() override { return this; }
    DispResult invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) override;
    void saveProperties(dispatch::PropertyBag& bag) const override;
    void loadProperties(const dispatch::PropertyBag& bag) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DispResult getFilename();
    DispResult putFilename(const QVariant& value);
    DispResult getTotalFrames();
    DispResult putTotalFrames(const QVariant& value);
    DispResult getLastFrame();
    DispResult putLastFrame(const QVariant& value);
    DispResult getFirstFrame();
    DispResult putFirstFrame(const QVariant& value);
    DispResult save(QVariantList& args);
    DispResult abort(QVariantList& args);
    DispResult getDIB(QVariantList& args);

    void closeFile();
    // Frame properties from the open file (all 0 when none is open).
    void readFrameProperties();
    void fireErrorInfo(int code);

    static const std::array<dispatch::Member<Klipvane>, 7> kTable;

    QString m_filename;
    std::int32_t m_totalFrames = 0;
    std::int32_t m_lastFrame = 0;
    std::int32_t m_firstFrame = 0;
    bool m_busy = false;
    bool m_abort = false;

    std::unique_ptr<avi::AviFile> m_file;
    std::vector<std::uint8_t> m_dib;  // the bitmap GetDIB handed out last
    StringTable m_strings;
};

}  // namespace brindle::klipvane
