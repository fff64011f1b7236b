#pragma once
// Decoded fields -> source text that assembles back to exactly those fields. The text is the panel's
// wherever that reads back to the same bits; otherwise the explicit forms are used (VarN, constant
// widths, #N codes, a leading AND, [unused], the full Next).

#include <functional>
#include <optional>
#include <string>

#include "asm/decoder.h"

namespace qx9::asmx {

using TargetNamer = std::function<std::string(int address)>;

// nullopt when the fields do not follow the layout the assembler writes (never for a core decode).
std::optional<std::string> InstructionSource(const Decoded& instruction, const TargetNamer& targetName);

}  // namespace qx9::asmx
