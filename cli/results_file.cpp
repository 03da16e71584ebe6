#include "cli/results_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/utf8_path.h"

namespace {

std::string LowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsJsonName(const std::string& path)
{
    return EndsWith(LowerCase(path), ".json");
}

// A CSV field: quoted when it holds a comma, a quote, CR or LF; quotes doubled.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

// Writes text to a temporary file beside path, then renames it over path.
CheckFailure WriteWhole(const std::string& path, const std::string& text)
{
    const std::filesystem::path target = Utf8Path(path);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush()) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return "Cannot write the results file " + path + ".";
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return "Cannot write the results file " + path + ": " + error.message();
    }
    return std::nullopt;
}

}  // namespace

void ResultsTable::Add(const ResultRow& row)
{
    std::lock_guard<std::mutex> guard(lock);
    rows.push_back(row);
}

std::vector<ResultRow> ResultsTable::Rows() const
{
    std::vector<ResultRow> sorted;
    {
        std::lock_guard<std::mutex> guard(lock);
        sorted = rows;
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ResultRow& a, const ResultRow& b) { return a.number < b.number; });
    return sorted;
}

void AddResultsOption(CLI::App& command, CliContext& context)
{
    command
        .add_option_function<std::string>(
            "--results",
            [&context](const std::string& path) {
                context.values.resultsFile = path;
                context.results = std::make_shared<ResultsTable>();
            },
            "Write one row per adapter with its final outcome to this file at the end (.csv or .json)")
        ->check([](const std::string& path) { return CheckResultsName(path).value_or(std::string()); });
}

CheckFailure CheckResultsName(const std::string& path)
{
    const std::string lower = LowerCase(path);
    if (EndsWith(lower, ".csv") || EndsWith(lower, ".json"))
        return std::nullopt;
    return "The results file " + path + " must end in .csv or .json.";
}

int CheckResultsTarget(CliContext& context)
{
    if (!context.results)
        return kExitOk;
    std::error_code error;
    if (std::filesystem::equivalent(Utf8Path(context.values.resultsFile), Utf8Path(context.values.file), error)) {
        context.results.reset();  // the snapshot stays as it is
        return context.console.Fail(kExitBadArguments, "The results file " + context.values.resultsFile +
                                                           " is the snapshot file; name another.");
    }
    return kExitOk;
}

std::string CsvResults(const std::vector<ResultRow>& rows)
{
    std::string text = "port,model,address,outcome,attempts,message\r\n";
    for (const ResultRow& row : rows) {
        text += CsvField(row.port) + ',' + CsvField(row.model) + ',' + CsvField(row.address) + ',' +
                CsvField(row.outcome) + ',' + std::to_string(row.attempts) + ',' + CsvField(row.message) + "\r\n";
    }
    return text;
}

std::string JsonResults(const std::vector<ResultRow>& rows)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ResultRow& row : rows) {
        nlohmann::ordered_json entry;
        entry["port"] = row.port;
        entry["model"] = row.model;
        entry["address"] = row.address;
        entry["outcome"] = row.outcome;
        entry["attempts"] = row.attempts;
        entry["message"] = row.message;
        list.push_back(entry);
    }
    return list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

void RecordResult(CliContext& context, unsigned number, const ApplyResult& result)
{
    if (context.results)
        context.results->Add(
            {number, result.port, result.model, result.address, result.outcome, result.attempts, ResultText(result)});
}

int WriteResultsFile(CliContext& context, int exitCode)
{
    if (!context.results)
        return exitCode;
    const std::string& path = context.values.resultsFile;
    const std::vector<ResultRow> rows = context.results->Rows();
    if (const CheckFailure failure = WriteWhole(path, IsJsonName(path) ? JsonResults(rows) : CsvResults(rows))) {
        const int code = context.console.Fail(kExitFailure, *failure);
        return exitCode == kExitOk ? code : exitCode;
    }
    return exitCode;
}
