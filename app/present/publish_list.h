// The files a publishing pass hands on: the editor's zip component lists
// every file written or copied into the presentation, and PublishFileBytes
// (app/model/project_file.h) counts their bytes.
#pragma once

#include <QString>

namespace brindle {

class ZipComponent;

// The editor's zip component, made on first use and kept for the run.
ZipComponent& editorZip();

// Empties the list and sets PublishFileBytes to 0.
void clearPublishList();
// Lists the file and adds its size (0 when it does not exist).
void addPublishedFile(const QString& path);

}  // namespace brindle
