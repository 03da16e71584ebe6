// --results FILE: one row per adapter of a batch with its final outcome,
// apart from the detailed --log: port, model, address, outcome (one word:
// applied, matches, would-write, differs, not-verified, no-reply,
// unsupported, refused, port-error, invalid, failed, not-started), attempts,
// message.
// CSV (RFC 4180, CRLF lines) when the name ends in .csv, a JSON array of
// objects when it ends in .json; any other name is refused while the
// arguments are checked. The file is written whole when the run ends, to a
// temporary file beside it then renamed, so no reader sees half of it.
//
// Threads: Add may be called from several adapter threads at once.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/snapshot_apply.h"
#include "cli/value_checks.h"

struct ResultRow {
    unsigned number = 0;  // the adapter's running number: rows are written in its order
    std::string port, model, address, outcome;
    unsigned attempts = 1;
    std::string message;
};

class ResultsTable {
public:
    void Add(const ResultRow& row);
    // The rows in running-number order (equal numbers in the order added).
    std::vector<ResultRow> Rows() const;

private:
    mutable std::mutex lock;
    std::vector<ResultRow> rows;  // guarded by lock
};

// Registers --results on a batch command; the name is checked at parse time.
void AddResultsOption(CLI::App& command, CliContext& context);

// The file's name ends in .csv or .json (any case); otherwise the message.
CheckFailure CheckResultsName(const std::string& path);

// Before anything is sent: the results file is not the snapshot it would
// replace. Reports a failure with kExitBadArguments; kExitOk otherwise.
int CheckResultsTarget(CliContext& context);

// The text of the file for path's format.
std::string CsvResults(const std::vector<ResultRow>& rows);
std::string JsonResults(const std::vector<ResultRow>& rows);

// Adds an adapter's final result when --results is on.
void RecordResult(CliContext& context, unsigned number, const ApplyResult& result);

// At the end of a run: writes the file when --results is on. A failed write
// is reported and fails the run (kExitFailure unless it already failed);
// returns the run's exit code.
int WriteResultsFile(CliContext& context, int exitCode);
