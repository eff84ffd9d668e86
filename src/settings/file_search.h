// Finding files the way the program's users expect from Windows: names match without
// regard to case, and a bare name is searched for beside the program, in the current
// folder and along PATH.
#pragma once

#include <string>

namespace trelvo::settings {

// The path as it exists on disk: unchanged when it exists as written, otherwise resolved one
// component at a time, each taken as written when it exists and otherwise matched without
// regard to ASCII case (so "/HOME/HAM/LOG.mst" finds "/home/ham/Log.MST", and "/d/Log/x.mst"
// stays in "Log" even when a sibling "LOG" exists). Empty when nothing matches. Never creates
// anything.
std::string ResolvePathNoCase(const std::string& path);

// Searches for a file as the Windows search-path call does and returns its full path, or
// empty when it is not found. The name is split at its first '.' into name and extension and
// the two parts are put together again unchanged, so a dot inside a folder name is harmless.
// A path with a folder part is only checked for existence; a bare name is looked for in
// `programFolder`, then the current folder, then each folder of PATH.
std::string SearchFilePath(const std::string& name, const std::string& programFolder);

}  // namespace trelvo::settings
