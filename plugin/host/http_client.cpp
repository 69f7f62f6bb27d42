#include "plugin/host/http_client.h"

#include <curl/curl.h>
#include <strings.h>

#include <memory>
#include <mutex>

namespace brindle::upload {

namespace {

std::once_flag gCurlInit;

size_t collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

HttpAnswer perform(CURL* curl, const std::string& url) {
    HttpAnswer answer;
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        answer.error = error[0] ? error : curl_easy_strerror(code);
        return answer;
    }
    answer.transferred = true;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
        answer.contentType = type;
    }
    return answer;
}

}  // namespace

HttpAnswer httpGet(const std::string& url) {
    std::call_once(gCurlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return HttpAnswer{false, 0, {}, {}, "cannot start a transfer"};
    }
    curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
    return perform(curl.get(), url);
}

HttpAnswer httpPost(const std::string& url, const std::vector<std::string>& headers,
                    const std::string& body) {
    std::call_once(gCurlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return HttpAnswer{false, 0, {}, {}, "cannot start a transfer"};
    }
    // The request file's own lines, except its length, which libcurl sends
    // for the body it is given; no "Expect: 100-continue" round trip.
    curl_slist* list = nullptr;
    for (const std::string& h : headers) {
        if (h.size() >= 15 && strncasecmp(h.c_str(), "Content-Length:", 15) == 0) {
            continue;
        }
        list = curl_slist_append(list, h.c_str());
    }
    list = curl_slist_append(list, "Expect:");
    std::unique_ptr<curl_slist, ListDeleter> owned(list);
    curl_easy_setopt(curl.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    return perform(curl.get(), url);
}

bool splitRequest(const std::string& request, std::vector<std::string>& headers,
                  std::string& body) {
    const std::size_t end = request.find("\r\n\r\n");
    if (end == std::string::npos) {
        return false;
    }
    std::size_t at = 0;
    while (at < end) {
        const std::size_t next = std::min(request.find("\r\n", at), end);
        if (next > at) {
            headers.push_back(request.substr(at, next - at));
        }
        at = next + 2;
    }
    body = request.substr(end + 4);
    return true;
}

}  // namespace brindle::upload
