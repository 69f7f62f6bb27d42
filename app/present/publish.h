// The Publish command: the presentation in publishing mode, packed into
// "project.zip" in the upload folder, and the publishing address opened in
// the web browser.
#pragma once

namespace brindle {

void mnuPublish_Click();

}  // namespace brindle
