#include "process_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

namespace tp_test {
namespace {

std::string temp_file(const std::string& contents) {
    char name[] = "/tmp/treeplayer_test_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n <= 0)
            throw std::runtime_error("write failed");
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    return name;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input) {
    const std::string in = temp_file(input);
    const std::string out = temp_file("");
    const std::string err = temp_file("");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fin = open(in.c_str(), O_RDONLY);
        const int fout = open(out.c_str(), O_WRONLY | O_TRUNC);
        const int ferr = open(err.c_str(), O_WRONLY | O_TRUNC);
        if (fin < 0 || fout < 0 || ferr < 0)
            _exit(126);
        dup2(fin, 0);
        dup2(fout, 1);
        dup2(ferr, 2);
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ProcessResult result;
    result.out = slurp(out);
    result.err = slurp(err);
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.status = 128 + WTERMSIG(wstatus);
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

bool choose_move(const Board& board, bool black, Move& move) {
    Node root;
    root.SetBlack(black);
    root.SetBoard(board);
    create_tree(&root, 0);
    if (root.GetChildren().empty())
        return false;
    move = minimax(&root, true, MIN, MAX).second;
    return true;
}

}  // namespace tp_test
