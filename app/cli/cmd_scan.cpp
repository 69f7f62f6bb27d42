// brindle-cli scan: one page from a scanner through the editor's scanner
// operations, saved as a JPEG the way the scan dialog saves it; --list
// prints the sources as the scan source dialog lists them.
#include "app/cli/subcommand.h"
#include "components/imaging/image_control.h"
#include "components/imaging/scanner.h"

#include <cstdio>

namespace brindle::cli {
namespace {

int listSources() {
    const std::vector<ScanSource> sources = listScanSources();
    for (const ScanSource& s : sources) {
        std::printf("%s\t%s\n", qPrintable(s.device), qPrintable(s.label));
    }
    if (sources.empty()) {
        std::fprintf(stderr, "scan: %s\n", qPrintable(scanStatusText(ScanStatus::NoScanner)));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int runScan(const QStringList& args) {
    if (args == QStringList{"--list"}) {
        return listSources();
    }
    QString out;
    QString device;
    ScanSettings settings;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--device" && hasValue) {
            device = args[++i];
        } else if (a == "--resolution" && hasValue) {
            bool ok = false;
            settings.resolutionDpi = args[++i].toInt(&ok);
            if (!ok || settings.resolutionDpi <= 0) {
                return usageError();
            }
        } else if (a == "--mode" && hasValue) {
            const QString mode = args[++i];
            if (mode != "color" && mode != "gray") {
                return usageError();
            }
            settings.gray = mode == "gray";
        } else if (!a.startsWith("--") && out.isEmpty()) {
            out = a;
        } else {
            return usageError();
        }
    }
    if (out.isEmpty()) {
        return usageError();
    }
    if (device.isEmpty()) {
        const std::vector<ScanSource> sources = listScanSources();
        if (sources.empty()) {
            std::fprintf(stderr, "scan: %s\n", qPrintable(scanStatusText(ScanStatus::NoScanner)));
            return kExitFailed;
        }
        device = sources.front().device;
    }

    ScanCancel cancel;
    const ScannedPage page = acquirePage(device, settings, cancel);
    if (page.status != ScanStatus::Ok) {
        std::fprintf(stderr, "scan: %s\n", qPrintable(scanStatusText(page.status)));
        return page.status == ScanStatus::Cancelled ? kExitCancelled : kExitFailed;
    }
    ImageControl image;
    image.setImage(page.image);
    if (image.save(out, ImageControl::kFormatJpeg, 24, 2) != ImageStatus::Ok) {
        std::fprintf(stderr, "scan: %s could not be written\n", qPrintable(out));
        return kExitFailed;
    }
    std::printf("%s %d %d\n", qPrintable(out), page.image.width(), page.image.height());
    return kExitOk;
}

}  // namespace brindle::cli
