// The Publish command: the presentation written in publishing mode, its
// files packed into "project.zip" in the upload folder, the packed file's
// path put on the clipboard and the publishing page opened in the browser
// with the file and the presentation's byte count in its address.
#include "app/present/publish.h"

#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/smil_master.h"
#include "platform/launch.h"
#include "platform/messages.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>

namespace brindle {

namespace {}  // namespace

QString packedProjectPath() {
    return gUploadFolder + "/project.zip";
}

QString publishingAddress(const QString& publishURL, const QString& packedPath,
                          std::int64_t bytes) {
    // Plain concatenation: the service's page reads the values as they are,
    // and a URL that has a query already still gets "?" appended.
    return publishURL + "?projectfile=" + packedPath + "&sizefiles=" + QString::number(bytes);
}

void mnuPublish_Click() {
    if (gProject.count() == 0) {
        MsgBox(str::NothingToPublish);
        return;
    }
    ProjectView* view = projectView();
    if (view) {
        view->dimTheWindow(true);
    }
    CancelRequested = false;
    riteSmilMasterFile(1, gProject.count(), true, false);
    if (view) {
        view->dimTheWindow(false);
    }
    // A cancelled or failed encode leaves the flag set: nothing is packed.
    if (CancelRequested) {
        return;
    }
    if (gPublishURL.isEmpty()) {
        MsgBox(str::NoPublishUrl);
        return;
    }
    const QString packed = packedProjectPath();
    QFile::remove(packed);
    // riteZip reports its own failure; the page must not be sent to upload
    // a file that is not there.
    if (!riteZip(gPreviewFolder, packed)) {
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(packed);
    }
    LaunchBrowser(QString(), publishingAddress(gPublishURL, packed, PublishFileBytes), false);
}

}  // namespace brindle
