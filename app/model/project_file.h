// The project file (".bqx"): a flat zip archive of the table of contents
// "tocName.toc" and every media file the slides and the background track
// use; saving, opening, a new project and the unsaved-changes question.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

extern QString gProjectFile;  // full path of the open project file, or empty
extern QString gProjectName;  // gProjectFile without its extension
extern bool gOpening;         // a project is being opened
extern bool gSaving;          // a project is being saved
// Bytes of the presentation files listed for publishing.
extern std::int64_t PublishFileBytes;

// Result of riteProject when the save file dialog (a FileDialogKind::Save
// request, platform/file_dialogs.h) was cancelled or gave no name: nothing
// was written.
inline constexpr int kSaveCancelled = 32755;
// Result of riteProject when the archive could not be written (message 133
// was shown): the previous project file is unchanged and the project stays
// marked as changed, so a caller about to discard it must stop, as for a
// cancel.
inline constexpr int kSaveFailed = 133;

// The project name of a project file: the text before the first ".bqx"
// (without regard to case), the whole path when there is none.
QString projectNameOf(const QString& projectFile);
// The main window caption: the file-name part of gProjectName, " - ", the
// application title; the title alone when no project file is named.
QString projectCaption();

// Writes the table of contents to tocPath and gives the zip component its
// file list (tocPath first, then every referenced file). True when the table
// was written completely.
bool riteTOC(const QString& tocPath);
// Zips the listed files flat into zipPath at level 6. True on success.
bool riteZip(const QString& folder, const QString& zipPath);
// Unzips zipPath into folder (the work folder), only the members named in
// `only` when it is not empty. True on success.
bool extractZip(const QString& folder, const QString& zipPath, const QStringList& only = {});
// Saves the project: 0 saved, 1 nothing to save, kSaveCancelled for a
// cancelled file dialog, kSaveFailed when the archive was not written.
int riteProject(bool askName);
// Opens a project file into the work folder and gProject.
void readProject(const QString& path);
// Opens a project file as readProject does, with the same checks and
// messages, but unpacks only what opening reads: the table of contents, the
// clips and the background track. The slides' other files are not in the
// work folder afterwards: for looking at a project, not for working on it.
void readProjectTable(const QString& path);
// The table of contents alone, read as opening reads it but with nothing
// else unpacked and nothing checked: clips are not checked, and lengths
// that opening reads from the files (the background track's, a clip's
// when its slide has no time) stay unknown (0). For listing a project.
void readProjectTableOnly(const QString& path);
// Makes a new, empty project.
void clearProject();
// Message 74 as Yes/No/Cancel when changed (6, 7, 2); 7 when not.
int checkProject(bool changed);

}  // namespace brindle
