// The project file (".bqx"): a flat zip archive of the table of contents
// "tocName.toc" and every media file the slides and the background track
// use; saving, opening, a new project and the unsaved-changes question.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

extern QString gProjectFile;  // full path of the open project file, or empty
extern QString gProjectName;  // gProjectFile without its extension
extern bool gOpening;         // a project is being opened
extern bool gSaving;          // a project is being saved
// Bytes of the presentation files listed for publishing.
extern std::int64_t PublishFileBytes;

// Result of riteProject when the save file dialog was cancelled.
inline constexpr int kSaveCancelled = 32755;

// Writes the table of contents to tocPath and gives the zip component its
// file list (tocPath first, then every referenced file).
void riteTOC(const QString& tocPath);
// Zips the listed files flat into zipPath at level 6. True on success.
bool riteZip(const QString& folder, const QString& zipPath);
// Unzips zipPath into folder (the work folder). True on success.
bool extractZip(const QString& folder, const QString& zipPath);
// Saves the project: 0 saved, 1 nothing to save, else the error number
// (kSaveCancelled for a cancelled file dialog).
int riteProject(bool askName);
// Opens a project file into the work folder and gProject.
void readProject(const QString& path);
// Makes a new, empty project.
void clearProject();
// Message 74 as Yes/No/Cancel when changed (6, 7, 2); 7 when not.
int checkProject(bool changed);

}  // namespace brindle
