// Completing the file names users give (in the run list and in commands) with
// the directory they lie in: the one rule every file name follows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/context.h"
#include "run/messages.h"

namespace run {

// How much of a name without ':' counts: its first 12 characters (the rule of
// every name but one) or all of it (READ HYD keeps the whole name).
enum class NameLength { First12, Whole };

// The part of a typed name that counts, without trailing blanks: a name holding
// ':' (a drive, so a full path) whole; any other its first 12 characters
// (First12) or all of it (Whole). Leading blanks stay.
std::string countedName(std::string_view name, NameLength length = NameLength::First12);

// A typed name completed with directory `dir`: a name holding ':' stands as
// typed; any other follows the directory (without its trailing blanks). Only
// the counted part of the name is used. The result is never cut: with a deep
// directory a name cut to 60 characters would name no file at all.
// A name holding ':' that is no absolute path here (a drive such as "C:" means
// nothing on this system) lies in the run's work directory `workDir`, as the
// program's own side files do, never in whatever directory the process
// happens to stand in: two runs of one process keep to their own folders.
std::string completeFileName(std::string_view dir, std::string_view name, NameLength length = NameLength::First12,
                             std::string_view workDir = {});

// A library run writes only inside its folders (ctx.out.writeFolders: the
// work directory and the project directory): a name with "..", an absolute
// name, a name with a drive that climbs out of the work directory, or a link
// that points elsewhere leads out of them. Returns why `path` may not be
// written (the path and the folders), nothing when it may be: always on the
// command line, whose typed paths stand as typed.
std::optional<std::string> outsideFolders(const model::RunContext& ctx, const std::string& path);

// Inside a command: true when `path` may be written; otherwise false, with
// message 996 (an error that ends the run after the command, whatever the
// command says after it) naming the file.
bool mayWrite(model::RunContext& ctx, const std::string& path, Destination destination = Destination::Both);

} // namespace run
