// brindle-cli: the command a user and scripts run. It links no library but
// the C++ runtime, prints the version itself, and hands every other command
// line, unchanged and in the same process, to the program beside it that
// runs it: brindle-cli-list for a table listing ("info FILE.bqx --table",
// Qt Core alone), brindle-cli-full for the rest (the widgets, the controls
// and FFmpeg). Loading those 160-odd libraries is most of what a short
// command costs, so a script listing tables does not pay for them, and the
// other commands pay one exec of this small program.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The exit status of a program that could not be started, as brindle-cli's
// commands answer a failure.
constexpr int kExitFailed = 1;

// The path of a program beside this one's own file.
std::string besideMe(const char* name) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return name;
    }
    const std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + name;
}

int run(const std::string& program, std::vector<char*> args) {
    args.push_back(nullptr);
    execv(program.c_str(), args.data());
    std::fprintf(stderr, "brindle-cli: cannot start %s: %s\n", program.c_str(),
                 std::strerror(errno));
    return kExitFailed;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "version") == 0) {
        std::printf("brindle-cli %s\n", BRINDLE_VERSION);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "info") == 0 && std::strcmp(argv[3], "--table") == 0) {
        return run(besideMe("brindle-cli-list"), {argv[0], argv[2]});
    }
    return run(besideMe("brindle-cli-full"), std::vector<char*>(argv, argv + argc));
}
