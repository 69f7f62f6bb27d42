#include "controls/videocap/orvalis_pages.h"

#include "controls/videocap/orvalis_ids.h"
#include "platform/stringtable.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace brindle::orvalis {

PropertySheet::PropertySheet(Invoke invoke, QWidget* parent)
    : QDialog(parent), m_invoke(std::move(invoke)) {
    setObjectName("OrvalisProperties");
    setWindowTitle(QStringLiteral("Orvalis Control Properties"));
    setMinimumWidth(440);
    const StringTable strings = StringTable::fromFile(":/orvalis/orvalis.strings");
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);

    QWidget* general = addPage(strings.text(100), "CPropPageGeneral");
    addField(general, "Driver &Name:", "DriverName", DispDriverName, Kind::Text);
    addField(general, "Driver &Version:", "DriverVersion", DispDriverVersion, Kind::Text);
    addField(general, "&Driver Number:", "DriverNum", DispDriverNum, Kind::Long);
    addField(general, "Version:", "Version", DispVersion, Kind::Text);
    addField(general, "&Connect", "Connect", DispConnect, Kind::Check);

    QWidget* display = addPage(strings.text(137), "CPropPageDisplay");
    addField(display, "&Top:", "Top", DispTop, Kind::Long);
    addField(display, "&Left:", "Left", DispLeft, Kind::Long);
    addField(display, "&Width:", "Width", DispWidth, Kind::Long);
    addField(display, "&Height:", "Height", DispHeight, Kind::Long);
    addField(display, "&Auto Size", "AutoSize", DispAutoSize, Kind::Check);
    addField(display, "&Preview", "Preview", DispPreview, Kind::Check);
    addField(display, "Preview &Rate:", "PreviewRate", DispPreviewRate, Kind::Long);
    addField(display, "&Resolution Width:", "VideoResolutionWidth", DispVideoResolutionWidth,
             Kind::Long, true);
    addField(display, "R&esolution Height:", "VideoResolutionHeight", DispVideoResolutionHeight,
             Kind::Long, true);
    addField(display, "&Bit Count:", "BitCount", DispBitCount, Kind::Short);
    addField(display, "&Image Format:", "ImageFormat", DispImageFormat, Kind::Text);

    QWidget* capture = addPage(strings.text(138), "CPropPageCapture");
    addField(capture, "&File (.avi):", "CaptureFile", DispCaptureFile, Kind::Text);
    addField(capture, "&Save File (.avi):", "CaptureSave", DispCaptureSave, Kind::Text);
    addField(capture, "&Use Limit", "CaptureUseLimit", DispCaptureUseLimit, Kind::Check);
    addField(capture, "&Limit:", "CaptureLimit", DispCaptureLimit, Kind::Long);
    addField(capture, "&Audio", "CaptureAudio", DispCaptureAudio, Kind::Check);
    addField(capture, "&Capture (.avi)", "Capture", DispCapture, Kind::Check);
    addField(capture, "File (.&bmp):", "CaptureDIBFile", DispCaptureDIBFile, Kind::Text);
    addField(capture, "Capture (.bmp)", "CaptureDIB", DispCaptureDIB, Kind::Check);
    addField(capture, "Compr&ession:", "Compression", DispCompression, Kind::Text);
    addField(capture, "Compression &Quality:", "CompressionQuality", DispCompressionQuality,
             Kind::Text);
    addField(capture, "&Key Frames:", "CompressionKeyFrames", DispCompressionKeyFrames, Kind::Text);

    QWidget* audio = addPage(strings.text(139), "CPropPageAudio");
    addField(audio, "&Bits:", "AudioBits", DispAudioBits, Kind::Long);
    addField(audio, "&Channels:", "AudioChannels", DispAudioChannels, Kind::Long);
    addField(audio, "&Rate:", "AudioRate", DispAudioRate, Kind::Long);

    QWidget* dialogs = addPage(strings.text(140), "CPropPageDialogs");
    addField(dialogs, "Video &Source", "VideoSourceDlg", DispVideoSourceDlg, Kind::Check);
    addField(dialogs, "Video &Format", "VideoFormatDlg", DispVideoFormatDlg, Kind::Check);
    addField(dialogs, "Video &Compression", "VideoCompressionDlg", DispVideoCompressionDlg,
             Kind::Check);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
                     [this] { apply(); });
    reload();
}

QWidget* PropertySheet::addPage(const QString& caption, const QString& name) {
    auto* page = new QWidget(m_tabs);
    page->setObjectName(name);
    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_tabs->addTab(page, caption);
    return page;
}

void PropertySheet::addField(QWidget* page, const QString& label, const char* property, int dispid,
                             Kind kind, bool readOnly) {
    auto* form = static_cast<QFormLayout*>(page->layout());
    QWidget* w = nullptr;
    if (kind == Kind::Check) {
        auto* box = new QCheckBox(label, page);
        form->addRow(box);
        w = box;
    } else {
        auto* edit = new QLineEdit(page);
        if (kind != Kind::Text) {
            edit->setValidator(new QIntValidator(kind == Kind::Short ? -32768 : INT_MIN,
                                                 kind == Kind::Short ? 32767 : INT_MAX, edit));
        }
        edit->setReadOnly(readOnly);
        form->addRow(label, edit);
        w = edit;
    }
    w->setObjectName(property);
    m_fields.push_back(Field{dispid, kind, w, {}, readOnly});
}

QVariant PropertySheet::valueOf(const Field& f) const {
    switch (f.kind) {
        case Kind::Check:
            return static_cast<QCheckBox*>(f.widget)->isChecked();
        case Kind::Long:
            return static_cast<QLineEdit*>(f.widget)->text().toInt();
        case Kind::Short:
            return static_cast<std::int16_t>(static_cast<QLineEdit*>(f.widget)->text().toInt());
        case Kind::Text:
            return static_cast<QLineEdit*>(f.widget)->text();
    }
    return {};
}

void PropertySheet::show(Field& f, const QVariant& value) {
    if (f.kind == Kind::Check) {
        static_cast<QCheckBox*>(f.widget)->setChecked(value.toBool());
    } else {
        static_cast<QLineEdit*>(f.widget)->setText(value.toString());
    }
    f.shown = valueOf(f);
}

void PropertySheet::reload() {
    for (Field& f : m_fields) {
        QVariantList none;
        const dispatch::DispResult r = m_invoke(f.dispid, dispatch::InvokeKind::Get, none);
        show(f, r.value);
    }
}

int PropertySheet::apply() {
    int set = 0;
    for (Field& f : m_fields) {
        if (f.readOnly) {
            continue;
        }
        const QVariant now = valueOf(f);
        if (now == f.shown) {
            continue;  // untouched: nothing is run again
        }
        QVariantList args{now};
        m_invoke(f.dispid, dispatch::InvokeKind::Put, args);
        ++set;
    }
    // The operations may have changed other properties (a connect fills
    // the driver's name): show what the control holds now.
    reload();
    return set;
}

}  // namespace brindle::orvalis
