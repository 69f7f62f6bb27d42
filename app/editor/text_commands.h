// The editor's text commands: the Text button (a new text slide), the Edit
// item of a text slide and the text caption item of the selected slide.
// Each dims the editor around its dialog and refreshes the strip after it.
#pragma once

namespace brindle {

void Text_Click();
void mnuText_Click();
// Edit for the selected slide when it is a text slide; false for a slide
// of another kind, which other dialogs edit.
bool editTextSlide();

}  // namespace brindle
