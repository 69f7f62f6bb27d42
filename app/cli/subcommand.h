// brindle-cli's subcommands: one row each in a table, each implemented in a
// file of its own, all sharing the program's code.
#pragma once

#include <QStringList>

#include <span>

namespace brindle::cli {

enum ExitStatus : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitCancelled = 3 };

struct Subcommand {
    const char* name;
    const char* arguments;  // as shown in the usage text
    const char* summary;
    int (*run)(const QStringList& args);  // the arguments after the name
};

std::span<const Subcommand> subcommands();

// Prints the usage text on standard error and answers kExitUsage.
int usageError();

int runVersion(const QStringList& args);
int runFrames(const QStringList& args);
int runCut(const QStringList& args);
int runCheck(const QStringList& args);
int runPresent(const QStringList& args);
int runInfo(const QStringList& args);
// Whether the command line (after the program name) lists a project's table
// alone ("info FILE.bqx --table"): that needs no widgets.
bool isTableListing(const QStringList& args);
int runResave(const QStringList& args);
int runSample(const QStringList& args);
int runText(const QStringList& args);
int runCapture(const QStringList& args);
int runRecord(const QStringList& args);
int runWaveform(const QStringList& args);
int runScan(const QStringList& args);
int runExport(const QStringList& args);

}  // namespace brindle::cli
