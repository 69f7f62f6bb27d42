#include "app/present/publish_list.h"

#include "app/model/project_file.h"
#include "app/model/project_zip.h"

#include <QFileInfo>

namespace brindle {

// Through the dispatch ids, as the table of contents writer fills the same
// list for a save.
void clearPublishList() {
    projectZip().put(zipids::DispFileList, QString());
    PublishFileBytes = 0;
}

void addPublishedFile(const QString& path) {
    projectZip().call(zipids::DispAddFile, {path});
    const QFileInfo info(path);
    if (info.isFile()) {
        PublishFileBytes += info.size();
    }
}

}  // namespace brindle
