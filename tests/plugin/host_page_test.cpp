// brindle-upload's reading of a hosting page and of a request file.
#include "plugin/host/http_client.h"
#include "plugin/host/page_reader.h"

#include <gtest/gtest.h>

namespace brindle::upload {
namespace {

TEST(HostPage, FindsThePluginsEmbedWithItsParametersInOrder) {
    const std::string page =
        "<html><EMBED src=\"movie.swf\" width=10><p>text</p>\n"
        "<embed\n SRC='fields.pfp?v=2' TOURL=\"http://h/r?a=1&amp;b=2\" width=300 "
        "projectfile=\"C:\\uploads\\project.zip\" title=\"&quot;Trip&quot;\" hidden/>"
        "<embed type=\"application/x-post-file-protocol\" src=\"other\">";
    const auto tag = findPluginEmbed(page);
    ASSERT_TRUE(tag);
    ASSERT_EQ(tag->attributes.size(), 6u);
    EXPECT_EQ(tag->attributes[0], (std::pair<std::string, std::string>{"SRC", "fields.pfp?v=2"}));
    EXPECT_EQ(tag->attributes[1].second, "http://h/r?a=1&b=2");
    EXPECT_EQ(tag->attribute("WIDTH"), "300");
    EXPECT_EQ(tag->attribute("projectfile"), "C:\\uploads\\project.zip");
    EXPECT_EQ(tag->attribute("title"), "\"Trip\"");
    EXPECT_EQ(tag->attributes[5], (std::pair<std::string, std::string>{"hidden", ""}));

    const auto byType = findPluginEmbed("<embed type='APPLICATION/X-POST-FILE-PROTOCOL' src=list>");
    ASSERT_TRUE(byType);
    EXPECT_EQ(byType->attribute("src"), "list");

    EXPECT_FALSE(findPluginEmbed("<embedded src=x.pfp><embed src=\"x.swf\">"));
    // A page cut off inside a value: the value runs to the end of the text.
    const auto cut = findPluginEmbed("<embed src=\"x.pfp");
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->attribute("src"), "x.pfp");
}

TEST(HostPage, ARequestFileSplitsAtItsFirstEmptyLine) {
    std::vector<std::string> headers;
    std::string body;
    ASSERT_TRUE(
        splitRequest("Content-Type: a\r\nContent-Length: 9\r\n\r\nbody\r\n\r\nend", headers, body));
    EXPECT_EQ(headers, (std::vector<std::string>{"Content-Type: a", "Content-Length: 9"}));
    EXPECT_EQ(body, "body\r\n\r\nend");
    headers.clear();
    EXPECT_FALSE(splitRequest("Content-Type: a\r\nno end", headers, body));
}

}  // namespace
}  // namespace brindle::upload
