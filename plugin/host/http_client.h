// The host's HTTP side, over libcurl: fetching a page or a data stream, and
// posting a request whose header lines and body the plug-in wrote.
#pragma once

#include <string>
#include <vector>

namespace brindle::upload {

struct HttpAnswer {
    bool transferred = false;  // the exchange completed (any HTTP status)
    long status = 0;           // the HTTP status, or 0 for a file: address
    std::string body;
    std::string contentType;
    std::string error;  // why the transfer failed
};

HttpAnswer httpGet(const std::string& url);
HttpAnswer httpPost(const std::string& url, const std::vector<std::string>& headers,
                    const std::string& body);

// Splits a posted request file into its header lines and body at the first
// empty line; false when there is no empty line.
bool splitRequest(const std::string& request, std::vector<std::string>& headers, std::string& body);

}  // namespace brindle::upload
