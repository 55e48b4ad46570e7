// Facts about the running process and the wall clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (/proc/self/exe), empty when unknown.
std::wstring ExecutablePath();
// The process's arguments, argv[0] included, decoded as UTF-8.
std::vector<std::wstring> CommandLineArguments();
int CurrentProcessId();
// Kernel thread id of the calling thread (may exceed 99999).
int CurrentThreadId();

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
// The local date and time now, with milliseconds (thread-safe).
LocalTime NowLocal();
// Local time of an epoch second (thread-safe); false when it cannot be converted.
bool ToLocalTime(int64_t epochSeconds, LocalTime& out);
// Milliseconds of a monotonic clock (tick count).
uint64_t TickCountMs();
// Milliseconds since the Unix epoch.
int64_t EpochMs();

// Reads an environment variable; false when it is not set.
bool GetEnv(const char* name, std::string& value);

}  // namespace platform
