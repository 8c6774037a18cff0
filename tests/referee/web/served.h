// The referee serving the board, started for real, and a plain HTTP client
// for it: one request per connection, from any of this machine's loopback
// addresses, so that tests can be many clients.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace web_test {

using Fields = std::vector<std::pair<std::string, std::string>>;

// The referee from its first line (the page's address) to its end.
class Served {
  public:
    explicit Served(const std::vector<std::string>& args);
    ~Served();
    Served(const Served&) = delete;
    Served& operator=(const Served&) = delete;
    Served(Served&&) = delete;
    Served& operator=(Served&&) = delete;

    const std::string& url() const { return url_; }
    int port() const { return port_; }
    const std::string& token() const { return token_; }
    pid_t pid() const { return pid_; }
    // SIGTERM, then its exit status (-1 when it did not exit by itself).
    int stop();

  private:
    pid_t pid_ = -1;
    std::string url_;
    int port_ = 0;
    std::string token_;
};

// `path` with the token added to its query.
std::string with_token(const std::string& path, const std::string& token);

// A form body, each name and value escaped.
std::string form(const Fields& fields);

struct Answer {
    int status = -1;  // -1: no answer
    std::string body;
};

// One request on a connection of its own, read to its end. A form body is
// sent when `body` is given; a Host header is added unless `headers` has
// one.
Answer request(int port, const std::string& method, const std::string& target,
               const Fields& headers = {}, const std::string& body = "");
Answer get(const Served& served, const std::string& path, const Fields& headers = {});
Answer post(const Served& served, const std::string& path, const Fields& fields,
            const Fields& headers = {});

}  // namespace web_test
