// The editor's commands that act on the whole project or on the selected
// slide: New, Open, Save, Save As, Remove, the help pages and the identity
// picture.
#pragma once

#include <QString>

namespace brindle {

// Whether the save dialog is shown when the answer to message 74 is Yes:
// always (New, Open) or only for a project that has no file yet (exit).
enum class SaveAsk { Always, OnlyWithoutFile };

// With unsaved changes asks message 74; Yes saves. True when the command
// may go on: No, a save that succeeded, or nothing that could be saved.
// Cancel, a cancelled save dialog and a failed save keep the changes.
bool mayDiscardChanges(SaveAsk ask);

void mnuNew_Click();
void mnuOpen_Click();
void mnuSave_Click();
void mnuSaveAs_Click();
void mnuRemove_Click();
// Edit: the dialog of the selected slide's kind (picture, clip or text).
void mnuEdit_Click();
void mnuYourHelp_Click();
void mnuOnlineResources_Click();
void Identity_Click();

// The help page that ships with the program, found beside it or in the
// installed data folder.
inline constexpr const char* kHelpPageName = "Help.htm";
QString helpPagePath();

}  // namespace brindle
