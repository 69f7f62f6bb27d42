// The JSON brindle-cli info prints: the project as opened, its counters,
// background track and slides, and the numbers of the messages opening
// showed.
#pragma once

#include "app/cli/cli_workspace.h"

#include <QString>

namespace brindle::cli {

// Opens path (absolute) in workspace, reading the table alone or the table
// with the clip checks, prints the JSON on standard output and answers the
// exit status: kExitFailed when the file did not open.
int printProjectInfo(CliWorkspace& workspace, const QString& path, bool tableOnly);

}  // namespace brindle::cli
