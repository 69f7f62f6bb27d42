#include "app/present/publish_list.h"

#include "app/model/project_file.h"
#include "components/zip/zip_component.h"

#include <QFileInfo>

namespace brindle {

ZipComponent& editorZip() {
    static ZipComponent zip;
    return zip;
}

void clearPublishList() {
    editorZip().clearFiles();
    PublishFileBytes = 0;
}

void addPublishedFile(const QString& path) {
    editorZip().addFile(path);
    const QFileInfo info(path);
    if (info.isFile()) {
        PublishFileBytes += info.size();
    }
}

}  // namespace brindle
