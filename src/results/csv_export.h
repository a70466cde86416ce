// The results of a run as CSV files for spreadsheets and plotting tools: one
// file per hydrograph a command produced, summary.csv, ledger.csv and
// balance.csv. Fields are quoted as RFC 4180 asks (a field holding a comma,
// a double quote or a line break is enclosed in double quotes, its quotes
// doubled; lines end in CR LF); reals are written with nine significant
// digits, enough to read back every single-precision value exactly.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kestran.h"

namespace results {

std::string csvField(std::string_view text);
std::string csvNumber(double value); // "" for a value that is not finite

// The name of a hydrograph's file: the study, the run, the command and the
// reference (NHYD in six digits, or the name with characters other than
// letters, digits, '-' and '_' made '_').
std::string hydrographFileName(std::string_view stem, const model::HydrographRecord& h);

// Writes the files into `dir` (created when missing) and returns their paths
// in the order written. Throws kestran::RunError when a file cannot be written.
std::vector<std::filesystem::path> writeCsv(const kestran::RunResult& r, const std::filesystem::path& dir,
                                            std::string_view stem);

// The ledger and the run's balance as a table for a terminal.
std::string balanceTable(const kestran::RunResult& r);

} // namespace results
