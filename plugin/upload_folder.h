// The upload folder: the one folder from which the plug-in sends files, the
// same one into which Brindle packs "project.zip" (~/uploads on Linux).
// Pages written for the Windows program name it "C:\UPLOADS\"; such values
// are mapped onto this folder.
#pragma once

#include <string>
#include <string_view>

namespace kestrum {

// The folder as pages name it (11 characters, with its closing back-slash).
inline constexpr std::string_view kPageUploadFolder = "C:\\UPLOADS\\";

// This system's upload folder, without a closing "/": $HOME/uploads.
std::string uploadFolder();

// The file's full path as the request names it: the value itself when it
// begins with the page's folder (any letter case) or with `folder` + "/"
// (letter case kept), else `folder` + "/" + value.
std::string requestedPath(std::string_view value, const std::string& folder);

// The local file to open for a value: a "C:\UPLOADS\" prefix becomes
// `folder` + "/", and back-slashes in a page's relative name become "/".
std::string localPath(std::string_view value, const std::string& folder);

// Whether realPath lies inside realFolder (both resolved, without links):
// a sibling whose name merely begins with the folder's does not.
bool insideFolder(std::string_view realPath, std::string_view realFolder);

}  // namespace kestrum
