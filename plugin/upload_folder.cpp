#include "plugin/upload_folder.h"

#include "plugin/page_params.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace kestrum {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string slashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

}  // namespace

std::string uploadFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "/";
    }
    std::string folder = home;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder == "/" ? "/uploads" : folder + "/uploads";
}

std::string requestedPath(std::string_view value, const std::string& folder) {
    if (startsWithNoCase(value, kPageUploadFolder) || startsWith(value, folder + "/")) {
        return std::string(value);
    }
    return folder + "/" + std::string(value);
}

std::string localPath(std::string_view value, const std::string& folder) {
    if (startsWithNoCase(value, kPageUploadFolder)) {
        return folder + "/" + slashes(value.substr(kPageUploadFolder.size()));
    }
    if (startsWith(value, folder + "/")) {
        return std::string(value);
    }
    return folder + "/" + slashes(value);
}

bool insideFolder(std::string_view realPath, std::string_view realFolder) {
    if (realFolder.empty()) {
        return false;
    }
    if (realFolder == "/") {
        return realPath.size() > 1 && realPath[0] == '/';
    }
    return realPath.size() > realFolder.size() + 1 && startsWith(realPath, realFolder) &&
           realPath[realFolder.size()] == '/';
}

}  // namespace kestrum
