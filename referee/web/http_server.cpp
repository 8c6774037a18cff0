#include "referee/web/http_server.h"

#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <exception>

namespace referee::web {
namespace {

constexpr std::chrono::seconds kTick{1};
constexpr std::size_t kFeedBlock = 4096;

// What the library gathers of one request while it comes in.
struct Call {
    std::string body;
    bool answered = false;  // refused before its body came
};

// `a=1&b=x+y%21` as a form sends it.
void add_form(std::map<std::string, std::string>& params, const std::string& text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('&', at), text.size());
        std::string pair = text.substr(at, end - at);
        at = end + 1;
        std::replace(pair.begin(), pair.end(), '+', ' ');
        const std::size_t equals = std::min(pair.find('='), pair.size());
        std::string name = pair.substr(0, equals);
        std::string value = equals < pair.size() ? pair.substr(equals + 1) : "";
        name.resize(MHD_http_unescape(name.data()));
        value.resize(MHD_http_unescape(value.data()));
        if (!name.empty())
            params.emplace(std::move(name), std::move(value));
    }
}

MHD_Result add_param(void* params, MHD_ValueKind /*kind*/, const char* name, const char* value) {
    static_cast<std::map<std::string, std::string>*>(params)->emplace(
        name, value != nullptr ? value : "");
    return MHD_YES;
}

std::optional<std::string> header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

HttpRequest request_of(MHD_Connection* connection, const char* url, const char* method,
                       const std::string& body) {
    HttpRequest request;
    request.method = method;
    request.path = url;
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, add_param, &request.params);
    if (header(connection, "Content-Type")
            .value_or("")
            .starts_with("application/x-www-form-urlencoded"))
        add_form(request.params, body);
    request.host = header(connection, "Host").value_or("");
    request.origin = header(connection, "Origin");
    request.cookie = header(connection, "Cookie").value_or("");
    return request;
}

// The Content-Length the head gives, 0 without one, the most there is for
// one that is no number.
std::size_t declared_length(MHD_Connection* connection) {
    const std::string text = header(connection, "Content-Length").value_or("0");
    std::size_t length = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), length);
    return failed == std::errc{} && end == text.data() + text.size() ? length : SIZE_MAX;
}

HttpResponse plain(int status, const std::string& text) {
    HttpResponse response;
    response.status = status;
    response.body = text + "\n";
    return response;
}

}  // namespace

std::string HttpRequest::param(const std::string& name) const {
    const auto found = params.find(name);
    return found == params.end() ? "" : found->second;
}

struct HttpServer::Stream {
    HttpServer& server;
    MHD_Connection* connection;
    std::unique_ptr<Feed> feed;
    std::string pending;  // taken from the feed, not yet sent
};

struct HttpServer::Callbacks {
    static MHD_Result request(void* self, MHD_Connection* connection, const char* url,
                              const char* method, const char* /*version*/, const char* upload,
                              std::size_t* upload_size, void** state) {
        auto& server = *static_cast<HttpServer*>(self);
        auto* call = static_cast<Call*>(*state);
        if (call == nullptr) {
            // The head is in; a body too long is refused before it comes.
            *state = new Call;
            if (declared_length(connection) > server.limits_.body_bytes) {
                static_cast<Call*>(*state)->answered = true;
                return server.answer(connection, plain(413, "refused: the request is too long"))
                           ? MHD_YES
                           : MHD_NO;
            }
            return MHD_YES;
        }
        if (call->answered) {
            *upload_size = 0;
            return MHD_YES;
        }
        if (*upload_size > 0) {
            // A chunked body that outgrows the bound ends its connection.
            if (call->body.size() + *upload_size > server.limits_.body_bytes)
                return MHD_NO;
            call->body.append(upload, *upload_size);
            *upload_size = 0;
            return MHD_YES;
        }
        HttpResponse response;
        try {
            response = server.handler_(request_of(connection, url, method, call->body));
        } catch (const std::exception& failed) {
            response = plain(500, std::string("the server failed: ") + failed.what());
        }
        return server.answer(connection, std::move(response)) ? MHD_YES : MHD_NO;
    }

    static void completed(void* /*self*/, MHD_Connection* /*connection*/, void** state,
                          MHD_RequestTerminationCode /*why*/) {
        delete static_cast<Call*>(*state);
        *state = nullptr;
    }

    static ssize_t feed(void* stream, std::uint64_t /*position*/, char* buffer, std::size_t max) {
        auto& open = *static_cast<Stream*>(stream);
        return open.server.feed(open, buffer, max);
    }

    // The connection is done with its answer: it is not set aside, so it
    // is not listed as waiting.
    static void feed_done(void* stream) { delete static_cast<Stream*>(stream); }
};

HttpServer::HttpServer(HttpLimits limits, Handler handler)
    : limits_(limits), handler_(std::move(handler)) {}

HttpServer::~HttpServer() {
    stop();
}

std::optional<int> HttpServer::start(const std::string& address, int port) {
    // An address or a name of this machine ("localhost"): its first address.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, &::freeaddrinfo);
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME;
    if (found->ai_family == AF_INET6)
        flags |= MHD_USE_IPv6;
    daemon_ = MHD_start_daemon(
        flags, static_cast<std::uint16_t>(port), nullptr, nullptr, &Callbacks::request, this,
        MHD_OPTION_SOCK_ADDR, found->ai_addr, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        limits_.connection_memory, MHD_OPTION_CONNECTION_LIMIT, limits_.connections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits_.connections_per_client,
        MHD_OPTION_CONNECTION_TIMEOUT, limits_.idle_seconds, MHD_OPTION_NOTIFY_COMPLETED,
        &Callbacks::completed, this, MHD_OPTION_END);
    if (daemon_ == nullptr)
        return std::nullopt;
    ticker_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        while (!stop_ticking_.wait_for(lock, kTick, [this] { return stopping_; })) {
            lock.unlock();
            wake();
            lock.lock();
        }
    });
    return MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port;
}

void HttpServer::wake() {
    const std::lock_guard lock(mutex_);
    ++wakes_;
    for (Stream* stream : waiting_)
        MHD_resume_connection(stream->connection);
    waiting_.clear();
}

void HttpServer::stop() {
    if (daemon_ == nullptr)
        return;
    {
        // The library may not stop while a connection is set aside.
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        for (Stream* stream : waiting_)
            MHD_resume_connection(stream->connection);
        waiting_.clear();
    }
    stop_ticking_.notify_all();
    ticker_.join();
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
}

bool HttpServer::answer(MHD_Connection* connection, HttpResponse response) {
    MHD_Response* answer = nullptr;
    if (response.feed) {
        auto stream =
            std::make_unique<Stream>(Stream{*this, connection, std::move(response.feed), ""});
        answer = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kFeedBlock, &Callbacks::feed,
                                                   stream.get(), &Callbacks::feed_done);
        if (answer != nullptr)
            static_cast<void>(stream.release());  // the library owns it now
    } else {
        answer = MHD_create_response_from_buffer(response.body.size(), response.body.data(),
                                                 MHD_RESPMEM_MUST_COPY);
    }
    if (answer == nullptr)
        return false;
    MHD_add_response_header(answer, "Content-Type", response.type.c_str());
    for (const auto& [name, value] : response.headers)
        MHD_add_response_header(answer, name.c_str(), value.c_str());
    const bool queued =
        MHD_queue_response(connection, static_cast<unsigned>(response.status), answer) == MHD_YES;
    MHD_destroy_response(answer);
    return queued;
}

long HttpServer::feed(Stream& stream, char* buffer, std::size_t max) {
    if (stream.pending.empty()) {
        std::uint64_t seen = 0;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return MHD_CONTENT_READER_END_OF_STREAM;
            seen = wakes_;
        }
        auto more = stream.feed->next();
        if (!more)
            return MHD_CONTENT_READER_END_OF_STREAM;
        stream.pending = std::move(*more);
        if (stream.pending.empty()) {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return MHD_CONTENT_READER_END_OF_STREAM;
            if (wakes_ == seen) {
                waiting_.insert(&stream);
                MHD_suspend_connection(stream.connection);
            }
            return 0;
        }
    }
    const std::size_t count = std::min(max, stream.pending.size());
    std::copy_n(stream.pending.begin(), count, buffer);
    stream.pending.erase(0, count);
    return static_cast<long>(count);
}

}  // namespace referee::web
