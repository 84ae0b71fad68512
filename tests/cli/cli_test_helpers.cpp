#include "cli_test_helpers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kx::cli::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> env{"LANG=C", "LC_ALL=", "LANGUAGE=", "LC_MESSAGES="};
    if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
    // Sanitizer settings of the test run apply to the children too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
    }
    for (const auto& [k, v] : extra) env.push_back(k + "=" + v);
    return env;
}

}  // namespace

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "kxcli-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

ProcessResult RunCli(const std::vector<std::string>& args, const std::string& workDir,
                     const std::string& input, const Environment& extraEnv) {
    constexpr int kTimeoutSeconds = 60;
    int outPipe[2];
    int errPipe[2];
    int inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) return {};

    std::vector<std::string> argv{KX_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = ChildEnvironment(extraEnv);
    std::vector<char*> cArgv = CStrings(argv);
    std::vector<char*> cEnv = CStrings(env);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) {
            close(fd);
        }
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
        execve(cArgv[0], cArgv.data(), cEnv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    // The input is small; the child reads it only when it asks a question.
    if (!input.empty()) {
        [[maybe_unused]] const auto n = write(inPipe[1], input.data(), input.size());
    }
    close(inPipe[1]);

    ProcessResult result;
    const auto deadline = Clock::now() + std::chrono::seconds(kTimeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    bool timedOut = false;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - Clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds) {
        if (f.fd >= 0) close(f.fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = (!timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}

SimProcess::SimProcess(std::vector<std::string> args, bool timing) {
    std::vector<std::string> argv{KX_SIM_PROGRAM};
    if (!timing) argv.emplace_back("--no-timing");
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cArgv = CStrings(argv);
    const std::string outPath = dir_.File("sim.out");

    pid_ = fork();
    if (pid_ == 0) {
        // A file rather than a pipe: the simulator may go on writing after we read its path.
        const int fd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) _exit(126);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        close(fd);
        execv(cArgv[0], cArgv.data());
        _exit(127);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const std::string text = ReadFile(outPath);
        if (const auto nl = text.find('\n'); nl != std::string::npos) {
            const std::string line = text.substr(0, nl);
            if (line.starts_with("/dev/")) ptyPath_ = line;
            break;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

std::string SimProcess::Log() const {
    return ReadFile(dir_.File("sim.out"));
}

}  // namespace kx::cli::test
