#include "cli/console.h"

#include <cstdio>

void Console::Report(const nlohmann::json& data, const std::string& text)
{
    if (json)
        out << DumpJson(data) << '\n';
    else
        out << text;
    out.flush();
}

int Console::Fail(int code, const std::string& message)
{
    lastFailure = message;
    if (json) {
        out << DumpJson({{"error", message}, {"exitCode", code}}) << '\n';
        out.flush();
    } else {
        ErrLine("kx4xx: " + message);
    }
    return code;
}

void Console::Note(const std::string& text)
{
    if (json)
        return;
    out << text << '\n';
    out.flush();
}

void Console::ErrLine(const std::string& text)
{
    std::lock_guard<std::mutex> lock(errMutex);
    err << text << '\n';
    err.flush();
}

std::string DumpJson(const nlohmann::json& data)
{
    return data.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string FormatNumbered(const char* format, int number)
{
    char text[160] = {};
    std::snprintf(text, sizeof text, format, number);
    return text;
}
