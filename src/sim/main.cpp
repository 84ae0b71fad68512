// kxveldran-sim: a simulated programmer box on a pseudo-terminal.

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/program_version.h"
#include "sim/box.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gPowerCycle = 0;

void OnStop(int) {
    gStop = 1;
}
void OnPowerCycle(int) {
    gPowerCycle = 1;
}

void Catch(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: poll() returns so the loop sees the flag
    sigaction(sig, &sa, nullptr);
}

// Replaces an old symlink of ours, never a regular file.
bool MakeLink(const std::string& target, const std::string& link, std::string& error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symlink; choose another --link path";
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot create symlink " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RemoveLink(const std::string& target, const std::string& link) {
    std::vector<char> buf(4096);
    const auto n = ::readlink(link.c_str(), buf.data(), buf.size() - 1);
    if (n > 0 && std::string(buf.data(), static_cast<std::size_t>(n)) == target) {
        ::unlink(link.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = kx::sim::ParseProgramOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "kxveldran-sim: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(kx::sim::UsageText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::fputs(kx::VersionText("kxveldran-sim").c_str(), stdout);
        return 0;
    }

    kx::sim::Box box(options->box);
    if (auto* chip = box.Target()) {
        for (const auto& segment : options->preload) chip->Preload(segment.address, segment.bytes);
    }
    std::ofstream trace;
    if (!options->traceFile.empty()) {
        trace.open(options->traceFile, std::ios::out | std::ios::trunc);
        if (!trace) {
            std::fprintf(stderr, "kxveldran-sim: cannot write the trace file %s\n",
                         options->traceFile.c_str());
            return 2;
        }
        box.GetTrace().SetSink(&trace);
    }

    Catch(SIGINT, OnStop);
    Catch(SIGTERM, OnStop);
    Catch(SIGUSR1, OnPowerCycle);
    std::signal(SIGPIPE, SIG_IGN);

    kx::sim::PtyServer server(box);
    const auto path = server.Open(error);
    if (!path) {
        std::fprintf(stderr, "kxveldran-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options->linkPath.empty() && !MakeLink(*path, options->linkPath, error)) {
        std::fprintf(stderr, "kxveldran-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", path->c_str());
    std::fflush(stdout);

    server.Serve(gStop, gPowerCycle);
    if (box.Vanished()) std::fprintf(stderr, "kxveldran-sim: the box vanished (fault injection)\n");
    if (!options->linkPath.empty()) RemoveLink(*path, options->linkPath);
    return 0;
}
