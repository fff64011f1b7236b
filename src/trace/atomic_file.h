#pragma once
// Writing a file so that it is either complete or absent: the content goes to a temporary file beside
// the target, which is renamed over it only when everything was written. A failure at any step
// removes the temporary and leaves whatever was at the target untouched.

#include <functional>
#include <string>

namespace qx9::trace {

// Writes the content to an open descriptor; false with a reason when it could not.
using ContentWriter = std::function<bool(int fd, std::string& error)>;

// True on success; otherwise false with a message naming the path and the reason.
bool WriteFileAtomically(const std::string& path, const ContentWriter& write, std::string& error);

// Writes all of `size` bytes to fd, retrying short writes; false with the system's reason.
bool WriteAll(int fd, const char* data, size_t size, std::string& error);

}  // namespace qx9::trace
