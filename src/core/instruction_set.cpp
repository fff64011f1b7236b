#include "core/instruction_set.h"

namespace qx9 {

namespace {
using K = FieldKind;
constexpr FieldForm kOperand{K::Operand, 0};
constexpr FieldForm kVariable{K::Variable, 0};
constexpr FieldForm kTarget{K::Target, 0};
constexpr FieldForm kUp{K::Direction, 0};
constexpr FieldForm Unused(uint8_t width) { return {K::Unused, width}; }

constexpr InstructionForm Form(std::string_view keyword, std::string_view source,
                               std::initializer_list<FieldForm> fields, bool fallsThrough = true,
                               bool emulated = true) {
  InstructionForm form{keyword, static_cast<uint8_t>(fields.size()), {}, source, fallsThrough, emulated};
  uint8_t i = 0;
  for (const FieldForm& f : fields) form.Fields[i++] = f;
  return form;
}

// Indexed by the 5-bit opcode, read most significant bit first.
const std::array<InstructionForm, kOpcodeCount> kForms = {{
    /* 00000  0 */ Form("High", "High {0}", {kOperand}),
    /* 00001  1 */ Form("Low", "Low {0}", {kOperand}),
    /* 00010  2 */ Form("Input", "Input {0}", {kOperand}),
    /* 00011  3 */ Form("Output", "Output {0}", {kOperand}),
    /* 00100  4 */ Form("Toggle", "Toggle {0}", {kOperand}),
    /* 00101  5 */ Form("Reverse", "Reverse {0}", {kOperand}),
    /* 00110  6 */ Form("PWM", "PWM {0},{1},{2}", {kOperand, kOperand, kOperand}),
    /* 00111  7 */ Form("Pot", "Pot {0},{1},{2}", {kOperand, kOperand, kVariable}),
    /* 01000  8 */ Form("Pulsout", "Pulsout {0},{1}", {kOperand, kOperand}),
    /* 01001  9 */ Form("PulsIn", "PulsIn {0},{1},{2}", {kOperand, kOperand, kVariable}),
    /* 01010 10 */ Form("For", "For {1}={0}", {kOperand, kVariable}),
    /* 01011 11 */ Form("Read", "Read {1},{2}{0}", {Unused(11), kOperand, kVariable}),
    /* 01100 12 */ Form("Write", "Write {1},{2}{0}", {Unused(11), kOperand, kVariable}),
    /* 01101 13 */ Form("Lookdown", "Lookdown {0},{2},{1}", {kOperand, kVariable, {K::OperandList, 0}}),
    /* 01110 14 */ Form("Gosub", "Gosub {1}{0}", {Unused(4), kTarget}),
    /* 01111 15 */ Form("Pause", "Pause {0}", {kOperand}),
    /* 10000 16 */ Form("Random", "Random {0}", {kVariable}),
    /* 10001 17 */ Form("Button", "Button", {}, false, false),
    /* 10010 18 */ Form("Sound", "Sound {0},{1}", {kOperand, {K::SoundList, 0}}),
    /* 10011 19 */ Form("Serout", "Serout", {}, false, false),
    /* 10100 20 */ Form("Serin", "Serin", {}, false, false),
    /* 10101 21 */ Form("Let", "Let {0}", {{K::LetChain, 0}}),
    /* 10110 22 */ Form("Lookup", "Lookup {0},{2},{1}", {kOperand, kVariable, {K::OperandList, 0}}),
    /* 10111 23 */
    Form("Next", "Next {1} Step {0} {2} {3},{4} Then {5}", {kOperand, kVariable, kUp, kOperand, kOperand, kTarget}),
    /* 11000 24 */ Form("If", "If {0} Then {1}", {{K::Conditions, 0}, kTarget}),
    /* 11001 25 */ Form("Goto", "Goto {0}", {kTarget}, false),
    /* 11010 26 */ Form("Branch", "Branch {0},{1}", {kOperand, {K::TargetList, 0}}),
    /* 11011 27 */ Form("Return", "Return", {}, false),
    /* 11100 28 */ Form("Nap", "Nap {1}{0}", {Unused(11), kOperand}),
    /* 11101 29 */ Form("Sleep", "Sleep {1}{0}", {Unused(11), kOperand}),
    /* 11110 30 */ Form("Debug", "Debug{0}", {Unused(11)}),
    /* 11111 31 */ Form("End", "End", {}, false),
}};

constexpr std::string_view kOperators[16] = {"",   "",  "-",  "+", "*",  "**", "//",  "/",
                                             "&/", "&", "|/", "|", "^/", "^",  "MIN", "MAX"};
constexpr std::string_view kComparisons[8] = {"", "<", ">", "<>", "=", "<=", ">=", ""};

constexpr VariableCode kVariables[64] = {
    /*  0 */ {"Pin0", {7, 1, 0}},   {"Pin1", {7, 1, 1}},   {"Pin2", {7, 1, 2}},   {"Pin3", {7, 1, 3}},
    /*  4 */ {"Pin4", {7, 1, 4}},   {"Pin5", {7, 1, 5}},   {"Pin6", {7, 1, 6}},   {"Pin7", {7, 1, 7}},
    /*  8 */ {"Dir0", {7, 1, 8}},   {"Dir1", {7, 1, 9}},   {"Dir2", {7, 1, 10}},  {"Dir3", {7, 1, 11}},
    /* 12 */ {"Dir4", {7, 1, 12}},  {"Dir5", {7, 1, 13}},  {"Dir6", {7, 1, 14}},  {"Dir7", {7, 1, 15}},
    /* 16 */ {"Bit0", {0, 1, 0}},   {"Bit1", {0, 1, 1}},   {"Bit2", {0, 1, 2}},   {"Bit3", {0, 1, 3}},
    /* 20 */ {"Bit4", {0, 1, 4}},   {"Bit5", {0, 1, 5}},   {"Bit6", {0, 1, 6}},   {"Bit7", {0, 1, 7}},
    /* 24 */ {"Bit8", {0, 1, 8}},   {"Bit9", {0, 1, 9}},   {"Bit10", {0, 1, 10}}, {"Bit11", {0, 1, 11}},
    /* 28 */ {"Bit12", {0, 1, 12}}, {"Bit13", {0, 1, 13}}, {"Bit14", {0, 1, 14}}, {"Bit15", {0, 1, 15}},
    /* 32 */ {"Pins", {7, 255, 0}}, {"Dirs", {7, 255, 8}}, {"B0", {0, 255, 0}},   {"B1", {0, 255, 8}},
    /* 36 */ {"B2", {1, 255, 0}},   {"B3", {1, 255, 8}},   {"B4", {2, 255, 0}},   {"B5", {2, 255, 8}},
    /* 40 */ {"B6", {3, 255, 0}},   {"B7", {3, 255, 8}},   {"B8", {4, 255, 0}},   {"B9", {4, 255, 8}},
    /* 44 */ {"B10", {5, 255, 0}},  {"B11", {5, 255, 8}},  {"B12", {6, 255, 0}},  {"B13", {6, 255, 8}},
    /* 48 */ {"Port", {7, -1, 0}},  {{}, {0, 0, 0}},       {"W0", {0, -1, 0}},    {"W0", {0, -1, 0}},
    /* 52 */ {"W1", {1, -1, 0}},    {"W1", {1, -1, 0}},    {"W2", {2, -1, 0}},    {"W2", {2, -1, 0}},
    /* 56 */ {"W3", {3, -1, 0}},    {"W3", {3, -1, 0}},    {"W4", {4, -1, 0}},    {"W4", {4, -1, 0}},
    /* 60 */ {"W5", {5, -1, 0}},    {"W5", {5, -1, 0}},    {"W6", {6, -1, 0}},    {{}, {0, 0, 0}},
};
}  // namespace

const InstructionForm& FormOf(Opcode opcode) { return kForms[static_cast<size_t>(opcode)]; }

bool HasTargets(const InstructionForm& form) {
  for (int i = 0; i < form.FieldCount; ++i) {
    if (form.Fields[i].Kind == FieldKind::Target || form.Fields[i].Kind == FieldKind::TargetList) return true;
  }
  return false;
}

std::string_view OperatorText(int code) { return kOperators[code & 15]; }
std::string_view ComparisonText(int code) { return kComparisons[code & 7]; }
std::string_view ConjunctionText(bool conjunctionAnd) { return conjunctionAnd ? "AND" : "OR"; }

const VariableCode& VariableOf(int code) { return kVariables[code & 63]; }

std::string_view VariableName(int code) { return code >= 0 && code < 64 ? kVariables[code].Name : std::string_view(); }

}  // namespace qx9
