#pragma once
// Small facts about the machine and the running program that each system tells its own way.

#include <ctime>
#include <string>

namespace kx::platform {

// The machine's network name; empty when the system gives none.
std::string HostName();

// `when` in the local time zone; false when the system cannot convert it.
bool LocalTime(std::time_t when, std::tm& local);

// The folder holding the running program; empty when the system does not say.
std::string ExecutableFolder();

// Whether this user may create files in `folder`.
bool FolderWritable(const std::string& folder);

// %APPDATA%, where Windows keeps each user's program settings; empty on Linux, where the
// XDG rules say (settings/settings_file.h), and when unset.
std::string AppDataFolder();

}  // namespace kx::platform
