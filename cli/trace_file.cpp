#include "cli/trace_file.h"

#include "cli/utf8_path.h"

bool TraceFile::Open(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!tried) {
        tried = true;
        file.open(Utf8Path(path), std::ios::app);
    }
    return file.is_open() && file.good();
}

void TraceFile::WriteLine(const std::string& line)
{
    std::lock_guard<std::mutex> guard(lock);
    file << line << '\n';
    file.flush();
}
