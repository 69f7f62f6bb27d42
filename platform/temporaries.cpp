#include "platform/temporaries.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::temporaries {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSuffix = ".list";
constexpr int kRandomLength = 6;

std::string randomTag(std::size_t length) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mutex m;
    static std::mt19937_64 engine{std::random_device{}()};
    std::lock_guard lock(m);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string out(length, 'x');
    for (char& c : out) {
        c = kAlphabet[pick(engine)];
    }
    return out;
}

bool isTagChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// A library that writes through a temporary of its own names it after the
// file it was given plus "." and six letters or digits (libzip does). Such
// a name derived from one of our own random names is ours too.
bool derivedFrom(const std::string& name, const std::string& base) {
    if (name.size() != base.size() + 1 + kRandomLength || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '.') {
        return false;
    }
    for (std::size_t i = base.size() + 1; i < name.size(); ++i) {
        if (!isTagChar(name[i])) {
            return false;
        }
    }
    return true;
}

// Removes what one journal lists; answers how many were removed.
int removeListed(const std::string& journalText) {
    int removed = 0;
    std::istringstream lines(journalText);
    std::string line;
    std::error_code ec;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) {
            continue;
        }
        const std::string kind = line.substr(0, space);
        const fs::path path = line.substr(space + 1);
        if (!path.is_absolute()) {
            continue;
        }
        if (kind == "file") {
            if (fs::is_regular_file(fs::symlink_status(path, ec)) && fs::remove(path, ec)) {
                ++removed;
            }
            std::vector<fs::path> derived;
            const std::string base = path.filename().string();
            for (fs::directory_iterator it(path.parent_path(), ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (derivedFrom(it->path().filename().string(), base) &&
                    fs::is_regular_file(it->symlink_status(ec))) {
                    derived.push_back(it->path());
                }
            }
            for (const fs::path& p : derived) {
                removed += fs::remove(p, ec) ? 1 : 0;
            }
        } else if (kind == "dir") {
            if (fs::is_directory(fs::symlink_status(path, ec)) && fs::remove_all(path, ec) > 0) {
                ++removed;
            }
        }
    }
    return removed;
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ::lseek(fd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// This process's journal: made on the first note, locked for the life of
// the process, and at a normal end emptied of what it lists and removed.
class Journal {
public:
    ~Journal() { finish(); }

    // Removes what the journal lists and the journal; a later note starts
    // a new one.
    void finish() {
        std::lock_guard lock(m_mutex);
        // A forked child ending normally must not clear its parent's journal.
        if (m_fd < 0 || m_pid != ::getpid()) {
            return;
        }
        removeListed(readAll(m_fd));
        ::unlink(m_path.c_str());
        ::close(m_fd);
        m_fd = -1;
        m_path.clear();
    }

    void append(const std::string& kind, const std::string& path) {
        std::lock_guard lock(m_mutex);
        if (m_fd >= 0 && m_pid != ::getpid()) {
            // A forked child keeps a journal of its own: its parent's lock
            // says nothing about whether the child still runs.
            ::close(m_fd);
            m_fd = -1;
        }
        if (m_fd < 0 && !open()) {
            return;
        }
        const std::string line = kind + ' ' + path + '\n';
        // One write with O_APPEND: a line is there whole or not at all.
        [[maybe_unused]] const ssize_t n = ::write(m_fd, line.data(), line.size());
    }

    std::string path() {
        std::lock_guard lock(m_mutex);
        return m_path;
    }

private:
    bool open() {
        const std::string folder = journalFolder();
        std::error_code ec;
        fs::create_directories(folder, ec);
        // Made and locked under a name the cleaning does not read, then
        // renamed: a journal is never seen unlocked while its process lives.
        const std::string base = folder + '/' + std::to_string(::getpid()) + '-' + randomTag(8);
        const std::string making = base + ".new";
        const int fd =
            ::open(making.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        if (::flock(fd, LOCK_EX) != 0 || ::rename(making.c_str(), (base + kSuffix).c_str()) != 0) {
            ::unlink(making.c_str());
            ::close(fd);
            return false;
        }
        m_fd = fd;
        m_pid = ::getpid();
        m_path = base + kSuffix;
        return true;
    }

    std::mutex m_mutex;
    int m_fd = -1;
    pid_t m_pid = -1;
    std::string m_path;
};

Journal& journal() {
    static Journal j;
    return j;
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

bool fillTemplate(std::string& path, int suffixLength) {
    if (suffixLength < 0 || path.size() < std::size_t(suffixLength) + kRandomLength) {
        errno = EINVAL;
        return false;
    }
    const std::size_t at = path.size() - suffixLength - kRandomLength;
    if (path.compare(at, kRandomLength, "XXXXXX") != 0) {
        errno = EINVAL;
        return false;
    }
    path.replace(at, kRandomLength, randomTag(kRandomLength));
    return true;
}

}  // namespace

std::string journalFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (cache && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        base = "/tmp";
    }
    return base + "/brindle/journals";
}

void finish() {
    journal().finish();
}

void note(const std::string& path) {
    journal().append("file", absolute(path));
}

int makeFile(std::string& path, int suffixLength, unsigned mode) {
    const std::string templ = path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = templ;
        if (!fillTemplate(path, suffixLength)) {
            return -1;
        }
        note(path);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool makeFolder(std::string& path) {
    const std::string templ = path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = templ;
        if (!fillTemplate(path, 0)) {
            return false;
        }
        journal().append("dir", absolute(path));
        if (::mkdir(path.c_str(), 0700) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

int cleanStale() {
    const std::string folder = journalFolder();
    const std::string own = journal().path();
    std::error_code ec;
    std::vector<fs::path> journals;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        // A ".new" journal is one whose process ended while making it.
        if ((p.extension() == kSuffix || p.extension() == ".new") && p.string() != own) {
            journals.push_back(p);
        }
    }
    int removed = 0;
    for (const fs::path& p : journals) {
        const int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        // Locked: its process still runs.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            removed += removeListed(readAll(fd));
            ::unlink(p.c_str());
        }
        ::close(fd);
    }
    return removed;
}

}  // namespace brindle::temporaries
