#include "base/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace base {
namespace {

std::mutex g_hookMutex;
TraceHook g_hook;

bool TraceToStderr() {
  static const bool enabled = [] {
    const char* v = std::getenv("TAVRICK_TRACE");
    return v != nullptr && std::strcmp(v, "0") != 0 && *v != '\0';
  }();
  return enabled;
}

const char* LevelName(TraceLevel level) {
  switch (level) {
    case TraceLevel::Debug: return "debug";
    case TraceLevel::Info: return "info";
    case TraceLevel::Warning: return "warning";
    case TraceLevel::Error: return "error";
  }
  return "?";
}

}  // namespace

TraceHook SetTraceHook(TraceHook hook) {
  std::lock_guard lock(g_hookMutex);
  std::swap(g_hook, hook);
  return hook;
}

void TraceV(TraceLevel level, const char* format, va_list args) {
  TraceHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_hook;
  }
  if (!hook && !TraceToStderr()) return;  // the common case costs no formatting
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);
  if (hook) {
    hook(level, line);
  } else {
    std::fprintf(stderr, "tavrick %s: %s\n", LevelName(level), line.c_str());
  }
}

void Trace(TraceLevel level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(level, format, args);
  va_end(args);
}

}  // namespace base

void M_Trace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  base::TraceV(base::TraceLevel::Debug, format, args);
  va_end(args);
}
