#include "net/HttpClient.h"

#include "base/AppInfo.h"
#include "net/CurlLibrary.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
// How long one wait for the network may last before the cancel flags are
// looked at again; CancelAll also wakes the wait at once.
constexpr int kPollSliceMs = 50;
// Idle connections kept for the next fetch, beyond the in-flight cap.
constexpr size_t kMinIdleChannels = 2;

bool SchemeOf(const CurlLibrary& curl, const std::string& url, std::string& scheme)
{
    CURLU* parsed = curl.url();
    if (!parsed)
        return false;
    char* part = nullptr;
    const bool ok = curl.url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
                    curl.url_get(parsed, CURLUPART_SCHEME, &part, 0) == CURLUE_OK && part;
    if (ok)
        scheme = part;
    curl.free(part);
    curl.url_cleanup(parsed);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ok;
}
} // namespace

struct HttpClient::Shared
{
    explicit Shared(const CurlLibrary& library) : curl(library)
    {
        share = curl.share_init();
        curl.share_setopt(share, CURLSHOPT_USERDATA, this);
        curl.share_setopt(share, CURLSHOPT_LOCKFUNC, &Shared::Lock);
        curl.share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Shared::Unlock);
        curl.share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl.share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        // Not CURL_LOCK_DATA_CONNECT: a connection cache shared between threads
        // is a known libcurl fault. Idle connections stay with their channel.
    }
    ~Shared() { curl.share_cleanup(share); }

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<Shared*>(self)->locks[Index(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<Shared*>(self)->locks[Index(data)].unlock();
    }
    static size_t Index(curl_lock_data data)
    {
        const auto i = static_cast<size_t>(data);
        return i < CURL_LOCK_DATA_LAST ? i : 0;
    }

    const CurlLibrary& curl;
    CURLSH* share = nullptr;
    std::mutex locks[CURL_LOCK_DATA_LAST];
};

// A multi handle driving one easy handle: the multi keeps the connections,
// so a channel taken from the pool reuses the connection of its last fetch.
// Only one thread uses a channel at a time.
struct HttpClient::Channel
{
    explicit Channel(const CurlLibrary& library)
        : curl(library), multi(curl.multi_init()), easy(curl.easy_init())
    {
    }
    ~Channel()
    {
        curl.easy_cleanup(easy);
        curl.multi_cleanup(multi);
    }
    bool Ok() const { return multi && easy; }

    const CurlLibrary& curl;
    CURLM* multi;
    CURL* easy;
};

struct HttpClient::Transfer
{
    Channel* channel = nullptr;
    std::atomic<bool> cancelled{false};
};

namespace
{
struct Receiver
{
    const HttpClient::Request* request;
    HttpReply* reply;
    size_t received = 0;
    bool tooLarge = false;
    bool sinkStopped = false;

    static size_t Write(char* data, size_t size, size_t count, void* self)
    {
        auto& r = *static_cast<Receiver*>(self);
        const size_t n = size * count;
        if (n > r.request->maxBytes - std::min(r.received, r.request->maxBytes))
        {
            r.tooLarge = true;
            return 0;  // ends the transfer with CURLE_WRITE_ERROR
        }
        r.received += n;
        if (r.request->sink)
        {
            if (!r.request->sink(data, n))
            {
                r.sinkStopped = true;
                return 0;
            }
        }
        else
        {
            r.reply->body.append(data, n);
        }
        return n;
    }
};
} // namespace

HttpClient::HttpClient(int maxInFlight, const CurlLibrary* library)
    : m_maxInFlight(std::max(0, maxInFlight)), m_library(library)
{
    // libcurl reads the proxy variables itself, but not this one.
    if (const char* ca = std::getenv("SSL_CERT_FILE"); ca && *ca)
        m_caFile = ca;
}

HttpClient::~HttpClient()
{
    // Channels hold the share handle; they go first.
    m_idle.clear();
    m_shared.reset();
}

std::unique_ptr<HttpClient::Channel> HttpClient::TakeChannel(const CurlLibrary& curl)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_idle.empty())
        {
            auto channel = std::move(m_idle.back());
            m_idle.pop_back();
            return channel;
        }
    }
    auto channel = std::make_unique<Channel>(curl);
    return channel->Ok() ? std::move(channel) : nullptr;
}

void HttpClient::ReturnChannel(std::unique_ptr<Channel> channel)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_idle.size() < std::max(kMinIdleChannels, static_cast<size_t>(m_maxInFlight)))
        m_idle.push_back(std::move(channel));
}

void HttpClient::Register(Transfer* transfer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.push_back(transfer);
    if (m_maxInFlight <= 0)
        return;
    const auto active = std::count_if(m_running.begin(), m_running.end(),
                                      [](const Transfer* t) { return !t->cancelled; });
    if (active <= m_maxInFlight)
        return;
    // Newest wins: the oldest fetch still going gives up its place.
    for (Transfer* old : m_running)
    {
        if (old != transfer && !old->cancelled.exchange(true))
        {
            old->channel->curl.multi_wakeup(old->channel->multi);
            break;
        }
    }
}

void HttpClient::Unregister(Transfer* transfer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.remove(transfer);
}

void HttpClient::CancelAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Transfer* transfer : m_running)
    {
        transfer->cancelled = true;
        transfer->channel->curl.multi_wakeup(transfer->channel->multi);
    }
}

int HttpClient::InFlight() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_running.size());
}

HttpClient::Result HttpClient::Get(const Request& request, HttpReply& reply)
{
    reply = HttpReply();
    const CurlLibrary* library = m_library ? m_library : CurlLibrary::Get();
    if (!library)
    {
        reply.error = "no HTTP library: " + CurlLibrary::LoadError();
        return Result::ConnectFailed;
    }
    const CurlLibrary& curl = *library;
    std::string scheme;
    if (!SchemeOf(curl, request.url, scheme) || (scheme != "http" && scheme != "https"))
    {
        reply.error = "not an http or https address";
        return Result::BadUrl;
    }

    CURLSH* share = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_shared)
            m_shared = std::make_unique<Shared>(curl);
        share = m_shared->share;
    }
    std::unique_ptr<Channel> channel = TakeChannel(curl);
    if (!channel)
    {
        reply.error = "out of memory";
        return Result::ConnectFailed;
    }
    CURL* easy = channel->easy;
    curl.easy_reset(easy);

    Receiver receiver{&request, &reply};
    char errorText[CURL_ERROR_SIZE] = "";
    // Every setting is part of what a fetch promises (the protocol limits,
    // TLS checks, bounds); one that libcurl refuses fails the fetch.
    CURLoption refused = CURLOPT_LASTENTRY;
    CURLcode refusal = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        const CURLcode code = curl.easy_setopt(easy, option, value);
        if (code != CURLE_OK && refusal == CURLE_OK)
        {
            refused = option;
            refusal = code;
        }
    };
    set(CURLOPT_URL, request.url.c_str());
    set(CURLOPT_SHARE, share);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_ERRORBUFFER, errorText);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 3L);
    set(CURLOPT_REDIR_PROTOCOLS_STR, scheme == "https" ? "https" : "http,https");
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(std::max(1, request.timeoutMs)));
    set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caFile.empty())
    {
        set(CURLOPT_CAINFO, m_caFile.c_str());
        set(CURLOPT_PROXY_CAINFO, m_caFile.c_str());
    }
    if (request.maxBytes < static_cast<size_t>(std::numeric_limits<curl_off_t>::max()))
        set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
    set(CURLOPT_ACCEPT_ENCODING, "");
    const std::string userAgent = std::string("Orvane/") + AppInfo::Version;
    set(CURLOPT_USERAGENT, userAgent.c_str());
    set(CURLOPT_WRITEFUNCTION, &Receiver::Write);
    set(CURLOPT_WRITEDATA, &receiver);
#if LIBCURL_VERSION_NUM >= 0x075700
    // A cancelled name lookup is left to finish on its own thread instead of
    // being waited for. Unknown before 7.87: not needed, so not checked.
    curl.easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
#endif

    std::unique_ptr<curl_slist, decltype(curl.slist_free_all)> headers(nullptr, curl.slist_free_all);
    for (const std::string& header : request.headers)
    {
        curl_slist* grown = curl.slist_append(headers.get(), header.c_str());
        if (grown)
        {
            headers.release();
            headers.reset(grown);
        }
    }
    set(CURLOPT_HTTPHEADER, headers.get());
    if (refusal != CURLE_OK)
    {
        reply.error = "the HTTP library refused setting " + std::to_string(static_cast<int>(refused)) +
                      ": " + curl.easy_strerror(refusal);
        return Result::ConnectFailed;
    }

    Transfer transfer;
    transfer.channel = channel.get();
    Register(&transfer);
    curl.multi_add_handle(channel->multi, easy);

    // Our own bound in case libcurl's deadline were not kept.
    const auto giveUp = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(std::max(1, request.timeoutMs) + 1000);
    bool cancelled = false;
    bool overdue = false;
    CURLcode code = CURLE_OK;
    for (;;)
    {
        if (transfer.cancelled || (request.keepGoing && !request.keepGoing()))
        {
            cancelled = true;
            break;
        }
        if (std::chrono::steady_clock::now() > giveUp)
        {
            overdue = true;
            break;
        }
        int running = 0;
        if (curl.multi_perform(channel->multi, &running) != CURLM_OK)
        {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0)
        {
            int left = 0;
            while (CURLMsg* msg = curl.multi_info_read(channel->multi, &left))
            {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                    code = msg->data.result;
            }
            break;
        }
        curl.multi_poll(channel->multi, nullptr, 0, kPollSliceMs, nullptr);
    }
    long status = 0;
    curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    reply.status = static_cast<int>(status);
    const char* type = nullptr;
    if (curl.easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        reply.contentType = type;
    const char* effective = nullptr;
    if (curl.easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        reply.url = effective;

    curl.multi_remove_handle(channel->multi, easy);
    Unregister(&transfer);

    Result result;
    if (cancelled)
        result = Result::Cancelled;
    else if (overdue)
        result = Result::TimedOut;
    else
    {
        switch (code)
        {
            case CURLE_OK:
                result = Result::Ok;
                break;
            case CURLE_WRITE_ERROR:
                result = receiver.tooLarge     ? Result::TooLarge
                         : receiver.sinkStopped ? Result::Ok
                                                : Result::ConnectFailed;
                break;
            case CURLE_FILESIZE_EXCEEDED:
                result = Result::TooLarge;
                break;
            case CURLE_OPERATION_TIMEDOUT:
                result = Result::TimedOut;
                break;
            case CURLE_TOO_MANY_REDIRECTS:
            case CURLE_UNSUPPORTED_PROTOCOL:  // the first address was checked above
                result = Result::RedirectRefused;
                break;
            case CURLE_URL_MALFORMAT:
                result = Result::BadUrl;
                break;
            default:
                result = Result::ConnectFailed;
                break;
        }
    }
    if (result != Result::Ok)
    {
        reply.error = errorText[0] ? errorText : curl.easy_strerror(code);
        if (result == Result::Cancelled)
            reply.error = "cancelled";
        else if (result == Result::TooLarge)
            reply.error = "the reply is larger than " + std::to_string(request.maxBytes) + " bytes";
    }

    // Only a channel whose exchange ended cleanly keeps its connection for
    // the next fetch; anything else may have left it half used.
    if (result == Result::Ok && !receiver.sinkStopped)
        ReturnChannel(std::move(channel));
    return result;
}

const char* HttpClient::Describe(Result result)
{
    switch (result)
    {
        case Result::Ok: return "ok";
        case Result::BadUrl: return "not an http or https address";
        case Result::ConnectFailed: return "connection failed";
        case Result::RedirectRefused: return "redirect refused";
        case Result::TimedOut: return "timed out";
        case Result::Cancelled: return "cancelled";
        case Result::TooLarge: return "reply too large";
    }
    return "?";
}
