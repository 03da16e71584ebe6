// RunConcurrently: one job per item, each on a thread of its own, at most
// `limit` at once (0: all at once); returns once every job has ended. An
// exception a job lets out (a thread or memory exhausted) is rethrown here
// after the others have ended.
#pragma once

#include <cstddef>
#include <functional>

void RunConcurrently(size_t count, unsigned limit, const std::function<void(size_t index)>& job);
