// Reader of the page's data stream: the list of form fields that the upload
// request carries, one block per field. A block is a field line (the field's
// name and an optional FILE keyword), header lines copied into the part, and
// an empty line. The reader never looks past the text it is given.
#pragma once

#include <string_view>
#include <vector>

namespace kestrum {

struct PfpField {
    std::string_view name;                  // as written in the field line
    bool isFile = false;                    // the keyword was FILE, in any letter case
    std::vector<std::string_view> headers;  // header lines without their line ends
};

enum class PfpStep { Field, End, Corrupt };

class PfpParser {
public:
    // The text ends at its end or at its first NUL byte.
    explicit PfpParser(std::string_view text);

    // The next block into field; End when only blanks and tabs remain;
    // Corrupt for a CR that is not followed by LF where a line ends.
    PfpStep next(PfpField& field);

private:
    enum class LineEnd { Taken, AtEnd, LoneCr };
    LineEnd takeLineEnd();
    bool atEnd() const { return m_pos >= m_text.size(); }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

}  // namespace kestrum
