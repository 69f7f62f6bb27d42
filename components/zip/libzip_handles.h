// Owning handles for libzip's C objects, so every exit path releases them.
#pragma once

#include <zip.h>

#include <memory>

namespace brindle::ziplib {

struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
// An open archive; destroying it discards pending changes. Call zip_close on
// release() to commit them.
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

struct MemberClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
// A member opened for reading.
using Member = std::unique_ptr<zip_file_t, MemberClose>;

struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
// A data source not yet handed to an archive.
using Source = std::unique_ptr<zip_source_t, SourceFree>;

}  // namespace brindle::ziplib
