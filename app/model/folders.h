// The program's four folders: scratch files of the dialogs (temporary), the
// open project's media (work), the preview presentation (preview) and the
// files handed to the upload step (upload), with their life cycle.
#pragma once

#include <QString>

namespace brindle {

extern QString gTempFolder;
extern QString gPreviewFolder;
extern QString gWorkFolder;
extern QString gUploadFolder;

// The folder a Windows default names, on this system: "C:\uploads" is
// ~/uploads and "C:\My Documents" the user's documents folder. Other texts
// are returned unchanged.
QString hostFolder(const QString& text);

// Sets the four folder names (none ends in a separator).
void computeFolders();

// Creates the four folders; existing ones are passed over.
void createFolders();

// Creates the temporary and work folders again, before a project is opened.
void createTempAndWorkFolders();

// Empties the work and preview folders for a new or opened project.
void clearWorkAndPreview();

// At exit: makes the program's folder current and empties the work,
// temporary and preview folders; the folders stay.
void emptyFoldersAtExit();

}  // namespace brindle
