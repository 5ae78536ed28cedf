// Stands in for whisper-cli in tests. It reads "<its own path>.plan" and runs its lines in order:
//   arguments PATH       write the arguments (argv[1..]) to PATH, each followed by a NUL byte
//   append PATH WORD     append "WORD <pid>\n" to PATH (O_APPEND: runs of several children interleave
//                        line by line, in the order the lines were written)
//   stdout PATH          copy PATH's bytes to standard output
//   stderr PATH          copy PATH's bytes to standard error
//   stdout-arg FLAG      write " " and the argument that follows FLAG to standard output
//   copy-arg FLAG PATH   copy the file named by the argument that follows FLAG to PATH
//   stderr-fill N        write N bytes of text to standard error
//   sleep MS             sleep
//   wait-for PATH MS     wait until PATH exists; exit 99 when it has not appeared within MS
//   exit N               exit with status N
//   signal N             kill itself with signal N
// Paths contain no spaces. Without further instructions it exits 0.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "engine_standin: %s\n", message.c_str());
    std::_Exit(98);
}

void writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("write failed");
        }
        data += n;
        size -= size_t(n);
    }
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

int openForWriting(const std::string &path, int extraFlags)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | extraFlags, 0600);
    if (fd < 0)
        fail("cannot open " + path);
    return fd;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string planPath = std::string(argv[0]) + ".plan";
    std::ifstream plan(planPath);
    if (!plan)
        fail("no plan at " + planPath);

    std::string line;
    while (std::getline(plan, line)) {
        std::istringstream words(line);
        std::string command;
        if (!(words >> command))
            continue;
        std::string path;
        if (command == "arguments") {
            words >> path;
            std::string all;
            for (int i = 1; i < argc; ++i) {
                all += argv[i];
                all += '\0';
            }
            const int fd = openForWriting(path, O_TRUNC);
            writeAll(fd, all.data(), all.size());
            ::close(fd);
        } else if (command == "append") {
            std::string word;
            words >> path >> word;
            const std::string record = word + " " + std::to_string(::getpid()) + "\n";
            const int fd = openForWriting(path, O_APPEND);
            writeAll(fd, record.data(), record.size());
            ::close(fd);
        } else if (command == "stdout" || command == "stderr") {
            words >> path;
            const std::string bytes = readFile(path);
            writeAll(command == "stdout" ? STDOUT_FILENO : STDERR_FILENO, bytes.data(), bytes.size());
        } else if (command == "stdout-arg") {
            std::string flag;
            words >> flag;
            for (int i = 1; i + 1 < argc; ++i) {
                if (flag == argv[i]) {
                    const std::string text = std::string(" ") + argv[i + 1];
                    writeAll(STDOUT_FILENO, text.data(), text.size());
                    break;
                }
            }
        } else if (command == "copy-arg") {
            std::string flag;
            words >> flag >> path;
            for (int i = 1; i + 1 < argc; ++i) {
                if (flag == argv[i]) {
                    const std::string bytes = readFile(argv[i + 1]);
                    const int fd = openForWriting(path, O_TRUNC);
                    writeAll(fd, bytes.data(), bytes.size());
                    ::close(fd);
                    break;
                }
            }
        } else if (command == "stderr-fill") {
            size_t remaining = 0;
            words >> remaining;
            std::string chunk(4096, 'e');
            chunk.back() = '\n';
            while (remaining > 0) {
                const size_t n = remaining < chunk.size() ? remaining : chunk.size();
                writeAll(STDERR_FILENO, chunk.data(), n);
                remaining -= n;
            }
        } else if (command == "sleep") {
            long ms = 0;
            words >> ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        } else if (command == "wait-for") {
            long ms = 0;
            words >> path >> ms;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
            struct stat info;
            while (::stat(path.c_str(), &info) != 0) {
                if (std::chrono::steady_clock::now() > deadline)
                    return 99;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        } else if (command == "exit") {
            int status = 0;
            words >> status;
            return status;
        } else if (command == "signal") {
            int number = 0;
            words >> number;
            std::signal(number, SIG_DFL);
            ::raise(number);
            fail("still alive after signal " + std::to_string(number));
        } else {
            fail("unknown plan command " + command);
        }
    }
    return 0;
}
