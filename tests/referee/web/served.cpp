#include "served.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <regex>

namespace web_test {

Served::Served(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    // One line once it listens.
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        url_ += c;
    ::close(out[0]);
    std::smatch parts;
    if (std::regex_match(url_, parts,
                         std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+))"))) {
        port_ = std::stoi(parts[1]);
        token_ = parts[2];
    }
}

Served::~Served() {
    stop();
}

int Served::stop() {
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string with_token(const std::string& path, const std::string& token) {
    return path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + token;
}

std::string form(const Fields& fields) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const auto& [name, value] : fields) {
        out += out.empty() ? "" : "&";
        for (const std::string* part : {&name, &value}) {
            for (const unsigned char c : *part) {
                if (std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.') {
                    out += static_cast<char>(c);
                } else {
                    out += '%';
                    out += kHex[c >> 4U];
                    out += kHex[c & 15U];
                }
            }
            out += part == &name ? "=" : "";
        }
    }
    return out;
}

namespace {

// A chunked body as it came, joined.
std::string unchunk(const std::string& chunked) {
    std::string body;
    std::size_t at = 0;
    while (at < chunked.size()) {
        const std::size_t line_end = chunked.find("\r\n", at);
        if (line_end == std::string::npos)
            break;
        const std::size_t size = std::stoul(chunked.substr(at, line_end - at), nullptr, 16);
        if (size == 0)
            break;
        body += chunked.substr(line_end + 2, size);
        at = line_end + 2 + size + 2;
    }
    return body;
}

}  // namespace

Answer request(int port, const std::string& method, const std::string& target,
               const Fields& headers, const std::string& body) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Answer answer;
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        if (fd >= 0)
            ::close(fd);
        return answer;
    }
    std::string text = method + " " + target + " HTTP/1.1\r\nConnection: close\r\n";
    const bool has_host = std::any_of(headers.begin(), headers.end(),
                                      [](const auto& field) { return field.first == "Host"; });
    if (!has_host)
        text += "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    for (const auto& [name, value] : headers)
        text += name + ": " + value + "\r\n";
    if (method == "POST") {
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\n";
    }
    text += "\r\n" + body;
    std::string got;
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        char buffer[65536];
        ssize_t count = 0;
        while ((count = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            got.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    const std::size_t head_end = got.find("\r\n\r\n");
    std::smatch status;
    const std::string head = got.substr(0, head_end);
    if (head_end == std::string::npos ||
        !std::regex_search(head, status, std::regex(R"(^HTTP/1\.[01] (\d{3}))")))
        return answer;
    answer.status = std::stoi(status[1]);
    answer.body = got.substr(head_end + 4);
    if (std::regex_search(head, std::regex("\r\nTransfer-Encoding: chunked", std::regex::icase)))
        answer.body = unchunk(answer.body);
    return answer;
}

Answer get(const Served& served, const std::string& path, const Fields& headers) {
    return request(served.port(), "GET", path, headers);
}

Answer post(const Served& served, const std::string& path, const Fields& fields,
            const Fields& headers) {
    return request(served.port(), "POST", path, headers, form(fields));
}

}  // namespace web_test
