// Reads a hosting page the way a browser finds its plug-in: the <embed> tag
// of the plug-in's type (or of a ".pfp" source), whose attributes are the
// plug-in's page parameters in the order written.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brindle::upload {

struct EmbedTag {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string attribute(const std::string& name) const;  // first match, any letter case
};

std::optional<EmbedTag> findPluginEmbed(const std::string& html);

}  // namespace brindle::upload
