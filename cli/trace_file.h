// TraceFile: --trace-file, the one stream that every adapter session of a
// run writes its trace lines into, so that the lines of several adapters in
// a batch never interleave or overwrite each other (separate appending
// streams do on Windows, where appending is a seek and a write).
//
// Threads: Open and WriteLine may be called from several sessions' threads
// at once; each line is written and flushed whole under the lock.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

class TraceFile {
public:
    // Opens path for appending on the first call; later calls report whether
    // that first opening succeeded.
    bool Open(const std::string& path);
    void WriteLine(const std::string& line);

private:
    std::mutex lock;
    bool tried = false;  // guarded by lock
    std::ofstream file;  // guarded by lock
};
