#include "cli_test_helpers.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

// Starts `argv` with stdout and stderr going to files (a pipe nobody reads could block the
// child) and stdin from /dev/null.
pid_t Spawn(std::vector<std::string> argv, const std::string& out, const std::string& err,
            const std::string& workDir) {
    std::vector<std::string> env{"LANG=C"};
    for (const char* name : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
    }
    const auto pointers = [](std::vector<std::string>& v) {
        std::vector<char*> p;
        for (auto& s : v) p.push_back(s.data());
        p.push_back(nullptr);
        return p;
    };
    std::vector<char*> cArgv = pointers(argv);
    std::vector<char*> cEnv = pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, cArgv[0], &actions, nullptr, cArgv.data(), cEnv.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Exit status, or -1 when the child had to be killed after `limit`.
int Wait(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

ProcessResult RunCli(const std::vector<std::string>& args, const std::string& workDir) {
    TempDir io;
    std::vector<std::string> argv{KX_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r;
    const pid_t pid = Spawn(argv, io.File("out"), io.File("err"), workDir);
    if (pid < 0) return r;
    r.exitCode = Wait(pid, std::chrono::seconds(60));
    r.out = ReadFile(io.File("out"));
    r.err = ReadFile(io.File("err"));
    return r;
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    std::vector<std::string> argv{KX_SIM_PROGRAM, "--no-timing"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, dir_.File("out"), dir_.File("err"), {});
    // The first line it prints is the pty path.
    for (const auto deadline = Clock::now() + std::chrono::seconds(10);
         pid_ > 0 && Clock::now() < deadline;) {
        const std::string text = ReadFile(dir_.File("out"));
        if (const auto nl = text.find('\n'); nl != std::string::npos) {
            if (text.starts_with("/dev/")) ptyPath_ = text.substr(0, nl);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

SimProcess::~SimProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    Wait(pid_, std::chrono::seconds(5));
}

std::string SimProcess::Log() const {
    return ReadFile(dir_.File("out")) + ReadFile(dir_.File("err"));
}

}  // namespace kx::cli::test
