// kxveldran-cli: the programmer box from the command line.

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_help.h"
#include "cli/cli_options.h"
#include "common/program_version.h"
#include "messages/ui_language.h"

int main(int argc, char** argv) {
    using namespace kx::cli;
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

    const ParseResult parsed = ParseArguments(args, kx::SystemUiLanguage());
    if (!parsed.ok) {
        std::fprintf(stderr, "kxveldran-cli: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        const std::string text = CommandHelp(parsed.options.command);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitOk;
    }
    if (parsed.options.version) {
        std::fputs(kx::VersionText("kxveldran-cli").c_str(), stdout);
        return kExitOk;
    }
    return RunCommand(parsed.options);
}
