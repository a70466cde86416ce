// Where a file opened for writing lands, and whether that lies inside the
// folders a run may write to. Kept apart from the file layer: it only looks
// at names and links, it opens nothing.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The absolute, normalised place the system writes when `path` is opened
// for writing: its folders with their links resolved, and a link standing
// at the name itself followed as opening follows it (a link to a link too,
// a dangling one to where it would create its file). Empty when that cannot
// be told (a loop of links).
std::string writtenAt(const std::string& path);

// True when a file opened for writing at `path` lands strictly inside one of
// `folders` (each taken with its own links resolved): ".." steps, absolute
// names and links that lead elsewhere all count where they lead.
bool writesInside(const std::string& path, const std::vector<std::string>& folders);

} // namespace platform
