#pragma once
// The files qx9asm reads and writes. A source must be a regular file of at most the assembler's limit
// (a folder, a FIFO or a device would assemble to nothing, block, or never end). The object file is
// written beside its target under a temporary name and renamed over it, so a failed write leaves what
// was there untouched; only that temporary file is ever removed.

#include <cstdint>
#include <string>
#include <vector>

namespace qx9 {

// The whole source file in `text`; false with a message in `error` when it cannot be read.
bool ReadSource(const std::string& path, std::string& text, std::string& error);

// False with a message when `output` may not be written: it is empty, it exists and is not a regular
// file (a symbolic link counts as what it points at), or it is the source itself.
bool CheckOutput(const std::string& source, const std::string& output, std::string& error);

// Replaces `path` (or what a symbolic link there points at) with `bytes`, keeping an existing file's
// permissions; false with a message when that fails, and then the target is as it was.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace qx9
