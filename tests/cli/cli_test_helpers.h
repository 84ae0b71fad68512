#pragma once
// Running kxveldran-cli and the simulator program as child processes.

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace kx::cli::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the child did not exit normally or timed out
    std::string out;
    std::string err;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs the command-line program (`args` without the program) in `workDir` (empty: the
// test's own) with `input` on stdin, for at most a minute. The child gets a fixed
// environment (LANG=C, no KX_VELDRAN_* variables) plus `env`, so the host's settings never
// leak in.
ProcessResult RunCli(const std::vector<std::string>& args, const std::string& workDir = {},
                     const std::string& input = {}, const Environment& env = {});

// A private directory removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// kxveldran-sim serving a pseudo-terminal; stopped when the object goes.
class SimProcess {
public:
    // `args` come after --no-timing unless `timing` is true.
    explicit SimProcess(std::vector<std::string> args = {}, bool timing = false);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return !ptyPath_.empty(); }
    const std::string& PtyPath() const { return ptyPath_; }
    // What the simulator printed (its stdout and stderr), for failure messages.
    std::string Log() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::string ptyPath_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kx::cli::test
