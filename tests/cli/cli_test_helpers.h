#pragma once
// Running kxveldran-cli and the simulator program as child processes.

#include <sys/types.h>

#include <string>
#include <vector>

namespace kx::cli::test {

// A private directory, removed with everything in it when the object goes.
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

struct ProcessResult {
    int exitCode = -1;  // -1: killed, or not done within a minute
    std::string out;
    std::string err;
};

// Runs the command-line program in `workDir` (empty: ours) with nothing on stdin and a
// clean environment (LANG=C, no KX_VELDRAN_* variables), so the host's settings never leak in.
ProcessResult RunCli(const std::vector<std::string>& args, const std::string& workDir = {});

// kxveldran-sim (--no-timing) serving a pseudo-terminal; stopped when the object goes.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    bool Started() const { return !ptyPath_.empty(); }
    const std::string& PtyPath() const { return ptyPath_; }
    std::string Log() const;  // what it printed, for failure messages

  private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::string ptyPath_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kx::cli::test
