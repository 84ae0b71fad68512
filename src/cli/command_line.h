#pragma once
// kxveldran-cli's command line, declared once on a CLI11 app: the commands and the options
// with their help texts, groups, choices and relations (DeclareOptions, cli_help.cpp), bound
// to CliOptions and judged here (cli_options.cpp). The --help pages are made from the same app.

#include <CLI/CLI.hpp>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_options.h"
#include "messages/text_catalogue.h"

namespace kx::cli {

struct CommandSpec {
    std::string_view name;
    CommandKind kind;  // CommandKind::None: "help"
    bool takesFile;
    std::string_view summary;         // its line in the list of commands
    std::string_view about;           // the top of its own page
    std::vector<std::string> groups;  // the option groups its page shows
};

// Every command, in the order of the help page.
std::span<const CommandSpec> Commands();

class CommandLine;
// Every option, in the order of the help page (cli_help.cpp).
void DeclareOptions(CommandLine& line);

class CommandLine {
  public:
    // `language`: what refusals are said in until a --lang is read.
    explicit CommandLine(UiLanguage language);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    ParseResult Parse(std::span<const std::string_view> args);
    const CLI::App& App() const { return app_; }

    // For DeclareOptions. Options declared after Group() are shown under that heading.
    void Group(std::string_view heading);
    CLI::Option* Flag(const std::string& names, bool CliOptions::*member, std::string help);
    // Two flags for one choice, the later one winning. `offHelp` empty: the off switch is
    // shown beside the on switch.
    CLI::Option* Switch(const std::string& on, const std::string& off,
                        std::optional<bool> CliOptions::*member, std::string help,
                        std::string offHelp = {});
    CLI::Option* Value(const std::string& names, std::string typeName,
                       std::optional<std::string> CliOptions::*member, std::string help);
    CLI::Option* Mode(const std::string& names, std::string help);
    CLI::Option* Language(const std::string& names, std::string help);
    CLI::Option* Port(const std::string& names, std::string typeName, std::string help);

  private:
    template <typename T>
    CLI::Option* Choice(const std::string& names,
                        std::vector<std::pair<std::string_view, T>> choices,
                        std::optional<T> CliOptions::*member, Text refusal, std::string help);
    CLI::Option* Valued(const std::string& names, std::string typeName, std::string help);
    CLI::Option* Judged(CLI::Option* option, std::function<void(const std::string&)> take);
    void Word(const std::string& word);
    void CheckCombination();
    bool Unmet(const std::string& name) const;
    std::optional<std::string> FirstUnknown() const;
    void Refuse(Text text, std::initializer_list<std::string_view> args = {});

    CLI::App app_{"", "kxveldran-cli"};
    CliOptions o_;
    UiLanguage language_;  // of the last --lang before any unknown option, else the caller's
    std::optional<std::string> refusal_;  // the first fault on the line
};

}  // namespace kx::cli
