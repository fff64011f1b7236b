#include "run_host.h"

namespace qx9 {

void PrintingHost::MessageBox(const std::string& text) { out_ << "message: " << text << '\n'; }

std::optional<std::string> PrintingHost::Prompt(const std::string& text) {
  out_ << "prompt: " << text << '\n';
  if (answers_.empty()) {
    out_ << "answer: (cancel)\n";
    return std::nullopt;
  }
  std::string answer = std::move(answers_.front());
  answers_.pop_front();
  out_ << "answer: " << answer << '\n';
  return answer;
}

void PrintingHost::Tone(int frequencyHz, int durationMs) {
  out_ << "tone: " << frequencyHz << " Hz " << durationMs << " ms\n";
}

void PrintingHost::Rest(int durationMs) { out_ << "rest: " << durationMs << " ms\n"; }

}  // namespace qx9
