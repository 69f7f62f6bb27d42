// The Publish command: the presentation in publishing mode, packed into
// "project.zip" in the upload folder, and the publishing address opened in
// the web browser.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

void mnuPublish_Click();

// The packed presentation: upload folder + "/project.zip".
QString packedProjectPath();

// The publishing page's address naming the packed file and the
// presentation's byte count, unescaped.
QString publishingAddress(const QString& publishURL, const QString& packedPath, std::int64_t bytes);

}  // namespace brindle
