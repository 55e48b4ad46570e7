// Where the analytics core reports its failures: standard error, one write per
// message. Tests replace the destination to read the messages back.
#pragma once
#include <functional>
#include <string>

namespace analytics_sdk {

using MessageSink = std::function<void(const std::string& message)>;

// Writes the message (already ending with a line end when it needs one).
void WriteError(const std::string& message);
// Replaces the destination; an empty sink restores standard error.
void SetErrorSink(MessageSink sink);

}  // namespace analytics_sdk
