// Brindle's own temporary files: a project being written beside the old
// one, a clip being cut, a sound being saved, the command-line tool's work
// folders. Each process notes every temporary it is about to make in a
// journal of its own (one file, locked while the process lives) before the
// temporary exists. A process that ends without removing them (killed,
// crashed, the power cut) leaves its journal unlocked; the next start of a
// Brindle program removes what such journals list, and nothing else.
#pragma once

#include <string>

namespace brindle::temporaries {

// Like mkstemps(3): replaces the six X before the last suffixLength
// characters of path with random letters and digits, creates that file
// (exclusively, with mode less the umask) and answers its descriptor, or -1
// with errno set. The name is in the journal before the file exists.
int makeFile(std::string& path, int suffixLength = 0, unsigned mode = 0600);
// Like mkdtemp(3), journaled the same way; false with errno set.
bool makeFolder(std::string& path);
// Notes an exact path that is about to be made.
void note(const std::string& path);
// Removes what the journals of ended processes list, then those journals;
// answers how many files and folders were removed. Called at start-up.
int cleanStale();
// What a normal end does: removes what this process's journal lists, then
// the journal. For a process that ends without static destructors
// (std::_Exit).
void finish();
// The folder of the journals (in Brindle's cache folder).
std::string journalFolder();

}  // namespace brindle::temporaries
