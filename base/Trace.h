#pragma once
// Diagnostic trace lines. Every module writes them through one hook; by default the hook
// discards them, and TAVRICK_TRACE=1 in the environment sends them to stderr.
#include <cstdarg>
#include <functional>
#include <string>

namespace base {

enum class TraceLevel { Debug = 0, Info = 1, Warning = 2, Error = 3 };

using TraceHook = std::function<void(TraceLevel, const std::string&)>;

// Replaces the hook (an empty function restores the default). Returns the previous hook.
TraceHook SetTraceHook(TraceHook hook);

void Trace(TraceLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void TraceV(TraceLevel level, const char* format, va_list args);

}  // namespace base

// The widget library's trace entry point (debug level).
void M_Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
