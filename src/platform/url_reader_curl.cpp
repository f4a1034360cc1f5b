// UrlReader over libcurl's multi interface, so that the body can be pulled in
// pieces like WinInet's InternetReadFile instead of being pushed by curl.
#include "platform/url_reader.h"

#include "platform/http_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

namespace platform::detail {
namespace {

// libcurl refuses a URL with a space in it (the update path has one) and a
// server would mis-read a raw one: escape spaces, control and 8-bit bytes.
std::string escapeUnsafeBytes(const std::string& url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

bool curlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

} // namespace

struct UrlReader::Connection {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    std::string pending; // received, not yet read
    std::size_t pendingStart = 0;
    bool finished = false;
    bool rejected = false; // final status outside 2xx
    CURLcode result = CURLE_FAILED_INIT; // of the whole transfer, once finished
    std::atomic<bool> aborted{false};

    ~Connection()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
    }

    // curl's write callback. Bodies of redirects that curl follows never come
    // here; any other non-2xx body is refused, which ends the transfer.
    static std::size_t receive(char* data, std::size_t, std::size_t count, void* self)
    {
        auto* connection = static_cast<Connection*>(self);
        long status = 0;
        curl_easy_getinfo(connection->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status < 200 || status > 299) {
            connection->rejected = true;
            return 0;
        }
        connection->pending.append(data, count);
        return count;
    }

    // Moves the transfer on until some body is pending, it has ended, or
    // `wait` has passed. curl_multi_wakeup (abort) cuts a wait short.
    void receiveMore(std::chrono::milliseconds wait)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (pending.size() == pendingStart && !finished) {
            if (aborted) {
                finished = true;
                result = CURLE_ABORTED_BY_CALLBACK;
                return;
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                finished = true;
            } else if (running == 0) {
                finished = true;
                takeResult();
            } else if (pending.size() == pendingStart) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return;
                curl_multi_poll(multi, nullptr, 0, static_cast<int>(left.count()), nullptr);
            }
        }
    }

    // The transfer's own outcome: a body cut short of its announced length,
    // a reset connection or a time-out end it with an error code.
    void takeResult()
    {
        int queued = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                result = message->data.result;
        }
    }
};

UrlReader::UrlReader(const std::string& agent, std::chrono::milliseconds silence)
    : connection_(std::make_unique<Connection>())
{
    Connection& c = *connection_;
    if (!curlReady() || !(c.easy = curl_easy_init()) || !(c.multi = curl_multi_init())) {
        c.finished = true;
        return;
    }
    curl_easy_setopt(c.easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(c.easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c.easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c.easy, CURLOPT_BUFFERSIZE, static_cast<long>(kDownloadReadSize));
    curl_easy_setopt(c.easy, CURLOPT_NOSIGNAL, 1L);
    // The caller's stall rule watches the whole transfer, connecting
    // included; this only bounds a connect that the rule is not asked about.
    curl_easy_setopt(c.easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(silence.count()));
    curl_easy_setopt(c.easy, CURLOPT_WRITEFUNCTION, &Connection::receive);
    curl_easy_setopt(c.easy, CURLOPT_WRITEDATA, &c);
}

UrlReader::~UrlReader() = default;

void UrlReader::open(const std::string& url)
{
    Connection& c = *connection_;
    if (c.finished)
        return;
    curl_easy_setopt(c.easy, CURLOPT_URL, escapeUnsafeBytes(url).c_str());
    if (curl_multi_add_handle(c.multi, c.easy) != CURLM_OK)
        c.finished = true;
}

std::size_t UrlReader::read(char* buffer, std::size_t capacity, std::chrono::milliseconds wait)
{
    Connection& c = *connection_;
    c.receiveMore(wait);
    if (c.rejected || c.aborted)
        return 0;
    const std::size_t count = std::min(capacity, c.pending.size() - c.pendingStart);
    std::memcpy(buffer, c.pending.data() + c.pendingStart, count);
    c.pendingStart += count;
    if (c.pendingStart == c.pending.size()) {
        c.pending.clear();
        c.pendingStart = 0;
    }
    return count;
}

bool UrlReader::ended() const
{
    const Connection& c = *connection_;
    return (c.finished && c.pending.size() == c.pendingStart) || c.rejected || c.aborted;
}

bool UrlReader::completed() const
{
    const Connection& c = *connection_;
    return c.finished && !c.rejected && !c.aborted && c.result == CURLE_OK;
}

long long UrlReader::announcedLength() const
{
    const Connection& c = *connection_;
    curl_off_t length = -1;
    if (!c.easy || curl_easy_getinfo(c.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        return -1;
    return length;
}

void UrlReader::abort()
{
    Connection& c = *connection_;
    c.aborted = true;
    if (c.multi)
        curl_multi_wakeup(c.multi);
}

} // namespace platform::detail
