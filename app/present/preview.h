// The Preview command and the preview page beside the presentation.
#pragma once

#include <QString>

namespace brindle {

// The Preview button and menu command.
void PlayPreview_Click();
// Starts the player on the preview folder's preView.smi; htmPath is not used.
void showPreview(const QString& htmPath);
// Lays preView.htm, its two pictures, preView.rpm and preView.ram beside
// the presentation at smilPath.
void WriteHTMLFile(const QString& smilPath);

}  // namespace brindle
