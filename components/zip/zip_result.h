// Result codes of the zip component. 0 and ZipWarning both mean the work was
// done; every other code means it was not (see each code for what was left
// behind).
#pragma once

#include <QString>

namespace brindle {

enum ZipResult : int {
    ZipOk = 0,
    // A setting is missing or wrong: no archive name, no or no such
    // destination folder, an operation started while another one runs.
    ZipBadArgument = 501,
    // Zip: the file list is empty, or none of the listed files exists.
    ZipNothingListed = 502,
    // Unzip: the archive does not exist, is not a plain file or cannot be
    // opened for reading.
    ZipCannotOpen = 503,
    // Unzip: the file is not a zip archive, is truncated or damaged, uses a
    // method or encryption this component does not read, or holds a member
    // whose name has a folder part, is absolute or contains "..". Members
    // extracted before the fault stay in the destination; nothing is ever
    // written outside it.
    ZipNotRecognised = 504,
    // Unzip: a member inflated past the size its archive declares; its
    // output was discarded and extraction stopped.
    ZipMemberTooLarge = 505,
    // Zip or unzip: the disk is full, or the sizes the archive declares would
    // not fit in the destination's free space (then nothing was extracted).
    ZipNoSpace = 506,
    // A file or the archive could not be written (read-only folder, I/O
    // error). An existing archive is left as it was.
    ZipWriteFailed = 507,
    // Zip: a listed file could not be read while packing. An existing
    // archive is left as it was.
    ZipReadFailed = 508,
    // Done, with a remark: zip left out listed files that do not exist (or
    // listed the same file twice); unzip found no members to extract.
    ZipWarning = 509,
    // Zip: two different listed files have the same bare name, so they
    // cannot both be stored flat. Nothing was written.
    ZipDuplicateName = 510,
};

// True for the two codes that mean the work was done.
inline bool zipSucceeded(int code) {
    return code == ZipOk || code == ZipWarning;
}

// A short English description of a result code, for logs and tests.
QString zipResultText(int code);

}  // namespace brindle
