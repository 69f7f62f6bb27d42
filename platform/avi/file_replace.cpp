#include "platform/avi/file_replace.h"

#include "platform/temporaries.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace brindle::avi {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string resolvedPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) {
        return path;
    }
    std::string out(real);
    std::free(real);
    return out;
}

std::string replaceProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return path + ": " + std::strerror(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return path + " is not a plain file";
    }
    // Read-only by its permission bits, whoever runs this (the owner of
    // the machine may override them, the file's protection still counts).
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
        return path + " is read-only";
    }
    // The replacement is made beside the file and renamed over it, so the
    // folder must take new names. (Renaming the file away and back to test
    // this would leave a moment without it.)
    const std::string folder = folderOf(path);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return folder + ": " + std::strerror(errno);
    }
    return {};
}

std::string makeTempAvi(const std::string& folder) {
    std::string name = folder + "/AVIXXXXXX.AVI";
    const int fd = temporaries::makeFile(name, 4);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return name;
}

bool replaceFile(const std::string& from, const std::string& to, std::string* why) {
    struct stat st {};
    if (::stat(to.c_str(), &st) == 0) {
        ::chmod(from.c_str(), st.st_mode & 07777);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        *why = "cannot rename " + from + " to " + to + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::uint64_t freeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) {
        return UINT64_MAX;
    }
    return std::uint64_t(fs.f_bavail) * fs.f_frsize;
}

}  // namespace brindle::avi
