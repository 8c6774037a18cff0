// The HTTP layer on its own: what a handler is given of a request (the
// query, a form body, the headers the safety rules read), the bound on a
// body, and answers fed in pieces that end when the feed ends or the server
// stops.
#include "referee/web/http_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "served.h"

namespace {

using referee::web::Feed;
using referee::web::HttpRequest;
using referee::web::HttpResponse;
using referee::web::HttpServer;

// Hands out its pieces one by one, with nothing in between until `open`,
// and ends after the last; `asked` counts the looks.
class Pieces : public Feed {
  public:
    Pieces(std::vector<std::string> pieces, std::atomic<bool>& open, std::atomic<int>& asked)
        : pieces_(std::move(pieces)), open_(open), asked_(asked) {}

    std::optional<std::string> next() override {
        ++asked_;
        if (at_ == pieces_.size())
            return std::nullopt;
        if (at_ > 0 && !open_)
            return "";
        return pieces_[at_++];
    }

  private:
    std::vector<std::string> pieces_;
    std::size_t at_ = 0;
    std::atomic<bool>& open_;
    std::atomic<int>& asked_;
};

TEST(HttpServer, GivesTheHandlerTheQueryTheFormAndTheHeaders) {
    HttpRequest seen;
    int calls = 0;
    HttpServer server({}, [&](const HttpRequest& request) {
        seen = request;
        ++calls;
        HttpResponse response;
        response.body = "ok";
        return response;
    });
    const auto port = server.start("localhost", 0);
    ASSERT_TRUE(port);
    const auto got = web_test::request(*port, "POST", "/api/x?a=1&b=two%20words",
                                       {{"Origin", "http://o.example"}, {"Cookie", "c=1; d=2"}},
                                       "line=S+0+5+M+0+4&odd=%26%3D%2B&empty=");
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(got.body, "ok");
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.path, "/api/x");
    EXPECT_EQ(seen.param("a"), "1");
    EXPECT_EQ(seen.param("b"), "two words");
    EXPECT_EQ(seen.param("line"), "S 0 5 M 0 4");
    EXPECT_EQ(seen.param("odd"), "&=+");
    EXPECT_TRUE(seen.params.contains("empty"));
    EXPECT_EQ(seen.param("missing"), "");
    EXPECT_EQ(seen.host, "127.0.0.1:" + std::to_string(*port));
    EXPECT_EQ(seen.origin, "http://o.example");
    EXPECT_EQ(seen.cookie, "c=1; d=2");

    // A body past the bound never reaches the handler.
    const auto too_long = web_test::request(*port, "POST", "/api/x", {}, std::string(5000, 'x'));
    EXPECT_EQ(too_long.status, 413);
    EXPECT_EQ(calls, 1);
}

TEST(HttpServer, FeedsAnAnswerAsItComesAndEndsItOnStop) {
    std::atomic<bool> open{false};
    std::atomic<int> asked{0};
    HttpServer server({}, [&](const HttpRequest& request) {
        HttpResponse response;
        const std::vector<std::string> pieces = request.path == "/forever"
                                                    ? std::vector<std::string>{"a", "b"}
                                                    : std::vector<std::string>{"first ", "second"};
        response.feed = std::make_unique<Pieces>(pieces, open, asked);
        return response;
    });
    const auto port = server.start("127.0.0.1", 0);
    ASSERT_TRUE(port);
    // The second piece waits until it is let through, from another thread.
    std::thread opener([&] {
        while (asked == 0)
            std::this_thread::yield();
        open = true;
        server.wake();
    });
    const auto got = web_test::request(*port, "GET", "/");
    opener.join();
    EXPECT_EQ(got.status, 200);
    EXPECT_EQ(got.body, "first second");

    // A feed waiting for news when the server stops: the server stops (the
    // library may not, with a connection set aside) and the answer ends,
    // the reader's request returns. What was sent of it may be lost.
    open = false;
    asked = 0;
    std::thread reader([&] { web_test::request(*port, "GET", "/forever"); });
    while (asked < 2)
        std::this_thread::yield();
    server.stop();
    const int looks = asked;
    reader.join();
    EXPECT_EQ(asked, looks);  // no look once stopped
}

}  // namespace
