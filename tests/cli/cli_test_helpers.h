#pragma once
// Running kxveldran-cli and the simulator program as child processes.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kx::cli::test {

inline std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A private directory, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir() : path_((std::filesystem::temp_directory_path() / "kxcli-XXXXXX").string()) {
        if (mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Starts `argv` in `workDir` (empty: ours), stdin /dev/null, output into files (an unread pipe
// could block it), environment LANG=C (+ KX_ALLOW_STANDIN_FIRMWARE unless `standIn` is false).
inline pid_t Spawn(std::vector<std::string> argv, const std::string& out, const std::string& err,
                   const std::string& workDir = {}, bool standIn = true) {
    std::vector<std::string> env{"LANG=C"};
    for (const char* name :
         {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", standIn ? "KX_ALLOW_STANDIN_FIRMWARE" : ""}) {
        if (const char* v = std::getenv(name)) env.push_back(std::string(name) + "=" + v);
    }
    std::vector<char*> cArgv, cEnv;
    for (auto& s : argv) cArgv.push_back(s.data());
    for (auto& s : env) cEnv.push_back(s.data());
    cArgv.push_back(nullptr);
    cEnv.push_back(nullptr);
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
inline int Wait(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ProcessResult {
    int exitCode = -1;  // -1: killed, or not done within a minute
    std::string out;
    std::string err;
};

#ifdef KX_CLI_PROGRAM
inline ProcessResult RunCli(const std::vector<std::string>& args, const std::string& workDir = {},
                            bool standIn = true) {
    TempDir io;
    std::vector<std::string> argv{KX_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, io.File("out"), io.File("err"), workDir, standIn);
    const int exitCode = pid < 0 ? -1 : Wait(pid, std::chrono::seconds(60));
    return {exitCode, ReadFile(io.File("out")), ReadFile(io.File("err"))};
}
#endif

// kxveldran-sim serving a pseudo-terminal, with instant replies unless `timing`; stopped when
// the object goes.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args, bool timing = false) {
        args.insert(args.begin(), KX_SIM_PROGRAM);
        if (!timing) args.insert(args.begin() + 1, "--no-timing");
        pid_ = Spawn(args, dir_.File("out"), dir_.File("err"));
        // The loader's sync waits only 20 ms; on a loaded machine give the box a head start
        // (allowed for root, harmlessly refused otherwise).
        if (pid_ > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), -5);
        // The first line it prints is the pty path.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            const std::string text = ReadFile(dir_.File("out"));
            if (const auto nl = text.find('\n'); nl != std::string::npos) {
                if (text.starts_with("/dev/")) ptyPath_ = text.substr(0, nl);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~SimProcess() { Stop(); }
    // Its exit status after SIGTERM (-1 if it did not end normally).
    int Stop() {
        const int status =
            pid_ > 0 && kill(pid_, SIGTERM) == 0 ? Wait(pid_, std::chrono::seconds(5)) : -1;
        pid_ = -1;
        return status;
    }
    void Signal(int signal) const { kill(pid_, signal); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    bool Started() const { return !ptyPath_.empty(); }
    const std::string& PtyPath() const { return ptyPath_; }
    // What it printed, for failure messages.
    std::string Log() const { return ReadFile(dir_.File("out")) + ReadFile(dir_.File("err")); }

  private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::string ptyPath_;
};

inline bool Has(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

}  // namespace kx::cli::test
