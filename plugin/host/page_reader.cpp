#include "plugin/host/page_reader.h"

#include <strings.h>

#include <cctype>

namespace brindle::upload {

namespace {

constexpr const char* kPluginType = "application/x-post-file-protocol";

std::string lower(std::string s) {
    for (char& c : s) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string decodeEntities(const std::string& text) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, c] : kEntities) {
                const std::size_t n = std::char_traits<char>::length(entity);
                if (text.compare(i, n, entity) == 0) {
                    out += c;
                    i += n;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

// The attributes of the tag starting after "<embed", up to its ">".
EmbedTag readTag(const std::string& html, std::size_t at) {
    EmbedTag tag;
    const auto space = [&] {
        while (at < html.size() && std::isspace(static_cast<unsigned char>(html[at]))) {
            ++at;
        }
    };
    for (;;) {
        space();
        if (at >= html.size() || html[at] == '>' || html.compare(at, 2, "/>") == 0) {
            return tag;
        }
        const std::size_t start = at;
        while (at < html.size() && !std::isspace(static_cast<unsigned char>(html[at])) &&
               html[at] != '=' && html[at] != '>' && html[at] != '/') {
            ++at;
        }
        if (at == start) {
            ++at;  // a stray "/"
            continue;
        }
        std::string name = html.substr(start, at - start);
        std::string value;
        space();
        if (at < html.size() && html[at] == '=') {
            ++at;
            space();
            if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
                const char quote = html[at++];
                const std::size_t end = html.find(quote, at);
                const std::size_t stop = end == std::string::npos ? html.size() : end;
                value = html.substr(at, stop - at);
                at = stop == html.size() ? stop : stop + 1;
            } else {
                const std::size_t begin = at;
                while (at < html.size() && !std::isspace(static_cast<unsigned char>(html[at])) &&
                       html[at] != '>') {
                    ++at;
                }
                value = html.substr(begin, at - begin);
            }
        }
        tag.attributes.emplace_back(std::move(name), decodeEntities(value));
    }
}

}  // namespace

std::string EmbedTag::attribute(const std::string& name) const {
    for (const auto& [n, v] : attributes) {
        if (strcasecmp(n.c_str(), name.c_str()) == 0) {
            return v;
        }
    }
    return {};
}

std::optional<EmbedTag> findPluginEmbed(const std::string& html) {
    const std::string folded = lower(html);
    for (std::size_t at = folded.find("<embed"); at != std::string::npos;
         at = folded.find("<embed", at + 1)) {
        const std::size_t after = at + 6;
        if (after < folded.size() && !std::isspace(static_cast<unsigned char>(folded[after]))) {
            continue;
        }
        EmbedTag tag = readTag(html, after);
        std::string src = lower(tag.attribute("src"));
        src = src.substr(0, src.find_first_of("?#"));
        if (lower(tag.attribute("type")) == kPluginType ||
            (src.size() > 4 && src.compare(src.size() - 4, 4, ".pfp") == 0)) {
            return tag;
        }
    }
    return std::nullopt;
}

}  // namespace brindle::upload
