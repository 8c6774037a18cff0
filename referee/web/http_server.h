// The board's HTTP server: requests in, answers out, with every bound a
// server open to this machine needs. It runs on one thread that waits on
// all connections at once, so a client that sends slowly holds no thread
// and delays no one; each connection gets a fixed amount of memory, which
// its request head (every header line) must fit in; a client may hold only
// so many connections, and one that stays silent is cut off.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

namespace referee::web {

struct HttpLimits {
    std::size_t connection_memory = std::size_t{16} * 1024;  // the request head must fit in it
    std::size_t body_bytes = 4096;
    unsigned connections = 128;
    unsigned connections_per_client = 32;  // per address the client connects from
    unsigned idle_seconds = 5;
};

struct HttpRequest {
    std::string method;
    std::string path;
    // The query's parameters and, for a form, the body's.
    std::map<std::string, std::string> params;
    std::string host;
    std::optional<std::string> origin;
    std::string cookie;  // the whole Cookie header

    std::string param(const std::string& name) const;
};

// An answer written as it happens (server-sent events): `next` is asked for
// more whenever the server is woken (HttpServer::wake) and at least once a
// second; it returns the text that is ready ("" for none yet), or nullopt
// once the answer is complete.
class Feed {
  public:
    virtual ~Feed() = default;
    virtual std::optional<std::string> next() = 0;
};

struct HttpResponse {
    int status = 200;
    std::string type = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::unique_ptr<Feed> feed;  // when set, the body comes from it, in chunks
};

class HttpServer {
  public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    HttpServer(HttpLimits limits, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;
    HttpServer(HttpServer&&) = delete;
    HttpServer& operator=(HttpServer&&) = delete;

    // Listens on `address` (IPv4, IPv6 or a name) and `port` (0: any free
    // port) and serves on a thread of its own. Returns the port, or nullopt
    // when it cannot listen there.
    std::optional<int> start(const std::string& address, int port);
    // Asks every feed waiting for news for more; from any thread.
    void wake();
    // Ends every feed and closes every connection. Also on destruction.
    void stop();

  private:
    // The library's callbacks, and one feed's connection (in the .cpp).
    struct Callbacks;
    struct Stream;

    bool answer(MHD_Connection* connection, HttpResponse response);
    // The feed's next bytes for the library: a count, 0 with the
    // connection set aside until the next wake, or -1 at the end.
    long feed(Stream& stream, char* buffer, std::size_t max);

    const HttpLimits limits_;
    const Handler handler_;
    MHD_Daemon* daemon_ = nullptr;

    // The feeds that wait for news with their connection set aside. A wake
    // between a feed's look and its setting aside is not lost: `wakes_`
    // counts them. A connection set aside is never closed, so every one
    // listed here is alive.
    std::mutex mutex_;
    std::set<Stream*> waiting_;
    std::uint64_t wakes_ = 0;
    bool stopping_ = false;
    std::condition_variable stop_ticking_;
    std::thread ticker_;  // wakes every feed once a second
};

}  // namespace referee::web
