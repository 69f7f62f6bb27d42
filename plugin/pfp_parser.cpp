#include "plugin/pfp_parser.h"

#include "plugin/page_params.h"

namespace kestrum {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isWordChar(char c) {
    return c != ' ' && c != '\t' && c != '\r' && c != '\n';
}

}  // namespace

PfpParser::PfpParser(std::string_view text) : m_text(text.substr(0, text.find('\0'))) {}

PfpParser::LineEnd PfpParser::takeLineEnd() {
    if (atEnd()) {
        return LineEnd::AtEnd;
    }
    if (m_text[m_pos] == '\n') {
        ++m_pos;
        return LineEnd::Taken;
    }
    // Only a CR is left here: the caller stopped at CR or LF.
    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
        m_pos += 2;
        return LineEnd::Taken;
    }
    return LineEnd::LoneCr;
}

PfpStep PfpParser::next(PfpField& field) {
    field = PfpField{};
    // Blanks and tabs before a block are skipped, and so are empty lines
    // between blocks, which would otherwise make fields without a name.
    for (;;) {
        while (!atEnd() && isBlank(m_text[m_pos])) {
            ++m_pos;
        }
        if (atEnd()) {
            return PfpStep::End;
        }
        const char c = m_text[m_pos];
        if (c != '\r' && c != '\n') {
            break;
        }
        if (takeLineEnd() == LineEnd::LoneCr) {
            return PfpStep::Corrupt;
        }
    }

    // Field line: the name, optional blanks and a keyword, the rest ignored.
    std::size_t start = m_pos;
    while (!atEnd() && isWordChar(m_text[m_pos])) {
        ++m_pos;
    }
    field.name = m_text.substr(start, m_pos - start);
    while (!atEnd() && isBlank(m_text[m_pos])) {
        ++m_pos;
    }
    start = m_pos;
    while (!atEnd() && isWordChar(m_text[m_pos])) {
        ++m_pos;
    }
    field.isFile = equalsNoCase(m_text.substr(start, m_pos - start), "FILE");
    while (!atEnd() && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') {
        ++m_pos;
    }
    LineEnd end = takeLineEnd();
    if (end == LineEnd::LoneCr) {
        return PfpStep::Corrupt;
    }

    // Header lines up to an empty line; the end of the text also ends the
    // block, with or without a last line end.
    while (end == LineEnd::Taken) {
        if (atEnd()) {
            return PfpStep::Field;
        }
        if (m_text[m_pos] == '\r' || m_text[m_pos] == '\n') {
            return takeLineEnd() == LineEnd::LoneCr ? PfpStep::Corrupt : PfpStep::Field;
        }
        start = m_pos;
        while (!atEnd() && m_text[m_pos] != '\r' && m_text[m_pos] != '\n') {
            ++m_pos;
        }
        field.headers.push_back(m_text.substr(start, m_pos - start));
        end = takeLineEnd();
        if (end == LineEnd::LoneCr) {
            return PfpStep::Corrupt;
        }
    }
    return PfpStep::Field;
}

}  // namespace kestrum
