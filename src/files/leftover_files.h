#pragma once
// Files and folders that a run killed outright (SIGKILL, a power cut) left behind. Every
// temporary name the program makes carries its writer's process id, so a later run can tell
// a leftover (its writer is gone) from the work of a run still going on.

#include <filesystem>
#include <optional>
#include <string_view>

// True when no process with this id exists any more, or only as a zombie its parent has not
// collected. A process of another user counts as alive: its files are not ours to judge.
bool writerIsGone(long pid);

// The writer's process id in a name "<prefix><pid>-<anything>", or nullopt when the name is
// not of that form.
std::optional<long> writerInName(std::string_view name, std::string_view prefix);

// True when the name is of that form and its writer is gone (never for this process).
bool isLeftoverName(std::string_view name, std::string_view prefix);

// Flushes a file or folder to the disk; false (errno set) when the system refuses.
bool flushToDisk(const std::filesystem::path& path);
