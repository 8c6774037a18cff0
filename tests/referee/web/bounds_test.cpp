// The board's server under hostile clients on this machine: connections
// that flood it with header lines, and dozens that send a byte now and then
// and hold their connections. The page must still be answered while they
// are connected, the referee's memory must stay bounded, and each attacker
// must be cut off. Attackers connect from loopback addresses of their own
// (127.0.0.x), as other clients would, so the bound per client applies to
// them and not to the page's own connections.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>

#include "served.h"

namespace {

using web_test::Served;

// A connection from 127.0.0.`host` to the server, never blocking.
class Attacker {
  public:
    Attacker(int host, int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(INADDR_LOOPBACK - 1 + static_cast<unsigned>(host));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
            ::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Attacker() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Attacker(const Attacker&) = delete;
    Attacker& operator=(const Attacker&) = delete;
    Attacker(Attacker&&) = delete;
    Attacker& operator=(Attacker&&) = delete;

    bool connected() const { return fd_ >= 0; }
    // False once the server has closed the connection.
    bool send(const std::string& text) const {
        return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // Whether the server has answered or closed, waiting up to `wait`.
    bool cut_off(std::chrono::milliseconds wait) const {
        pollfd polled{fd_, POLLIN, 0};
        return ::poll(&polled, 1, static_cast<int>(wait.count())) == 1;
    }
    // What the server said before it closed, up to `wait` for its end.
    std::string last_words(std::chrono::milliseconds wait) const {
        std::string got;
        char buffer[4096];
        while (cut_off(wait)) {
            const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(count));
        }
        return got;
    }

    int fd() const { return fd_; }

  private:
    int fd_;
};

// How many of `attackers` the server has answered or closed, once at least
// `expected` are (or `wait` has passed).
int count_cut_off(const std::vector<std::unique_ptr<Attacker>>& attackers, int expected,
                  std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    std::vector<pollfd> polled;
    polled.reserve(attackers.size());
    for (const auto& attacker : attackers)
        polled.push_back({attacker->fd(), POLLIN, 0});
    int count = 0;
    while ((count = ::poll(polled.data(), polled.size(), 10)) < expected &&
           std::chrono::steady_clock::now() < until) {
    }
    return count;
}

// A field of /proc/PID/status, in kB.
long status_kb(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with(field + ":"))
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// The page, and how long it took (shown, never judged).
int page_status(const Served& served, const std::string& while_what) {
    const auto start = std::chrono::steady_clock::now();
    const auto got = web_test::get(served, web_test::with_token("/", served.token()));
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::cout << "the page " << while_what << ": " << got.status << " after " << took.count()
              << " ms\n";
    return got.body.find("<html") != std::string::npos ? got.status : -1;
}

std::string request_head(const Served& served) {
    return "GET /api/info HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(served.port()) + "\r\n";
}

constexpr long kMemoryBoundKb = 32L * 1024;      // over the referee's own start
constexpr std::chrono::seconds kCutOffWait{30};  // a bound only: the idle time is 5 s

// Three connections without the token send header lines without end: each
// is refused and closed once its head outgrows a connection's memory, and
// the page is answered meanwhile. A body too long is refused as well.
TEST(ServerBounds, AHeaderFloodIsCutOffAndCostsBoundedMemory) {
    Served served({REFEREE, "--serve", "0", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const long start_kb = status_kb(served.pid(), "VmRSS");
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += "X-Flood-" + std::to_string(i) + ": yyyyyyyyyyyyyyyy\r\n";
    std::vector<std::unique_ptr<Attacker>> flood;
    for (int host = 2; host <= 4; ++host) {
        flood.push_back(std::make_unique<Attacker>(host, served.port()));
        ASSERT_TRUE(flood.back()->connected());
        ASSERT_TRUE(flood.back()->send(request_head(served) + lines.substr(0, 4000)));
    }
    EXPECT_EQ(page_status(served, "with three floods under way"), 200);
    for (const auto& attacker : flood)
        EXPECT_FALSE(attacker->cut_off(std::chrono::milliseconds(0)));

    // Until the server closes the connection or 6 MB have gone; how much
    // goes first depends on the kernel's socket buffers (about 4 MB here),
    // so the server's answer and memory tell, not the count.
    constexpr std::size_t kMostSent = std::size_t{6} * 1024 * 1024;
    for (const auto& attacker : flood) {
        for (std::size_t sent = 0; sent < kMostSent && attacker->send(lines);)
            sent += lines.size();
        EXPECT_TRUE(attacker->last_words(kCutOffWait).starts_with("HTTP/1.1 431"));
    }
    const long peak_kb = status_kb(served.pid(), "VmHWM");
    std::cout << "the referee's memory: " << start_kb << " kB at start, " << peak_kb
              << " kB at its peak\n";
    EXPECT_LT(peak_kb - start_kb, kMemoryBoundKb);
    EXPECT_EQ(page_status(served, "after the floods"), 200);
    // A body past its bound is refused before it is read.
    const auto long_body =
        web_test::post(served, web_test::with_token("/api/games", served.token()),
                       {{"black", std::string(5000, 'b')}, {"white", "human"}});
    EXPECT_EQ(long_body.status, 413);
    EXPECT_EQ(served.stop(), 128 + SIGTERM);
}

// Sixty clients each send a request a byte at a time and hold their
// connections: the page is answered while every one of them is still
// connected; a client that opens more connections than its share is refused
// the rest; the silent ones are cut off; and the referee still stops.
TEST(ServerBounds, SlowClientsHoldNoOneUpAndAreCutOffWhenIdle) {
    Served served({REFEREE, "--serve", "0", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const long start_kb = status_kb(served.pid(), "VmRSS");
    const std::string head = request_head(served);
    std::vector<std::unique_ptr<Attacker>> slow;
    for (int host = 10; host < 70; ++host) {
        slow.push_back(std::make_unique<Attacker>(host, served.port()));
        ASSERT_TRUE(slow.back()->connected());
        ASSERT_TRUE(slow.back()->send(head.substr(0, 1)));
    }
    for (std::size_t at = 1; at < 4; ++at) {
        for (const auto& attacker : slow)
            ASSERT_TRUE(attacker->send(head.substr(at, 1)));
    }
    EXPECT_EQ(page_status(served, "with 60 slow clients connected"), 200);
    for (const auto& attacker : slow)
        EXPECT_FALSE(attacker->cut_off(std::chrono::milliseconds(0)));

    // One client, 40 connections: those past its share are closed at once.
    std::vector<std::unique_ptr<Attacker>> greedy;
    greedy.reserve(40);
    for (int i = 0; i < 40; ++i)
        greedy.push_back(std::make_unique<Attacker>(9, served.port()));
    EXPECT_EQ(count_cut_off(greedy, 8, kCutOffWait), 8);
    EXPECT_EQ(page_status(served, "with a client at its share of connections"), 200);

    // Silent from here on: every one is cut off, without an answer.
    for (const auto& attacker : slow)
        EXPECT_EQ(attacker->last_words(kCutOffWait), "");
    EXPECT_EQ(count_cut_off(greedy, 40, kCutOffWait), 40);
    const long peak_kb = status_kb(served.pid(), "VmHWM");
    std::cout << "the referee's memory: " << start_kb << " kB at start, " << peak_kb
              << " kB at its peak\n";
    EXPECT_LT(peak_kb - start_kb, kMemoryBoundKb);
    EXPECT_EQ(served.stop(), 128 + SIGTERM);
}

}  // namespace
