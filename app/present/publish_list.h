// The files a publishing pass hands on: the program's one zip component
// (the one riteZip packs from) lists every file written or copied into the
// presentation, and PublishFileBytes (app/model/project_file.h) counts their
// bytes.
#pragma once

#include <QString>

namespace brindle {

// Empties the list and sets PublishFileBytes to 0.
void clearPublishList();
// Lists the file and adds its size (0 when it does not exist).
void addPublishedFile(const QString& path);

}  // namespace brindle
