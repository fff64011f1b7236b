// libFuzzer target: a 256-byte program image followed by a script of what a user does on the panel.
// Every action is checked against the machine's invariants (see tests/exec/machine_invariants.h);
// a broken one aborts with its description, which libFuzzer reports as a finding.
//
// Script bytes after the image, one command each (c % 12), some with argument bytes:
//   0, 1  Step                      6  type a word box: index, length, characters
//   2     Step Over                 7  Pot box text: length, characters
//   3     Run, then up to n ticks   8  Pulse In box text: length, characters
//   4     one tick (while running)  9  queue a prompt answer: length (255: Cancel), characters
//   5     click switch n            10 ticks that arrive inside each message box or prompt: n
//                                   11 Run/Stop alone
// A missing argument byte reads as 0; an image shorter than 256 bytes is padded with zeros.
#include <cstdio>
#include <cstdlib>

#include "exec/machine_invariants.h"

namespace {

class Script {
 public:
  Script(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
  // Short texts over the characters the boxes and prompts care about.
  std::string Text(int maxLength) { return Text(maxLength, Next()); }
  std::string Text(int maxLength, uint8_t lengthByte) {
    static constexpr char kChars[] = "0123456789-+ \tabcdefABCDEFxG";
    const int length = lengthByte % (maxLength + 1);
    std::string text;
    for (int i = 0; i < length; ++i) text += kChars[Next() % (sizeof kChars - 1)];
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx9;
  std::array<uint8_t, kImageSize> image{};
  const size_t imageBytes = size < kImageSize ? size : kImageSize;
  for (size_t i = 0; i < imageBytes; ++i) image[i] = data[i];
  Script script(data + imageBytes, size - imageBytes);

  test::ScriptedHost host;
  Machine m(host);
  host.TickTarget = &m;
  test::InvariantChecker checker(m, host);
  m.LoadImage(image);
  auto check = [](const std::string& e) {
    if (!e.empty()) Fail(e);
  };
  check(checker.Start());

  while (script.More()) {
    switch (script.Next() % 12) {
      case 0:
      case 1: check(checker.Act([&] { m.Step_Click(); })); break;
      case 2:
        check(checker.Act([&] { m.StepOver_Click(); }));
        break;
      case 3: {
        if (!host.TimerEnabled()) check(checker.Act([&] { m.RunBtn_Click(); }));
        const int ticks = script.Next() % 64 + 1;
        for (int i = 0; i < ticks && host.TimerEnabled(); ++i) check(checker.Act([&] { m.Timer1_Timer(); }));
        break;
      }
      case 4:
        if (host.TimerEnabled()) check(checker.Act([&] { m.Timer1_Timer(); }));
        break;
      case 5: {
        const int index = script.Next() % 8;
        check(checker.Act([&] { m.GInBtn_Click(index); }));
        break;
      }
      case 6: {
        const int index = script.Next() % 8;
        std::string text = script.Text(11);
        check(checker.Act([&] { host.TypeWordBox(index, text); }));
        break;
      }
      case 7: host.SetPotText(script.Text(7)); break;
      case 8: host.SetPulsInText(script.Text(7)); break;
      case 9: {
        const uint8_t length = script.Next();
        if (length == 255) {
          host.QueueAnswer(std::nullopt);
        } else {
          host.QueueAnswer(script.Text(7, length));
        }
        break;
      }
      case 10: host.ModalTicks = script.Next() % 4; break;
      case 11: check(checker.Act([&] { m.RunBtn_Click(); })); break;
    }
  }
  return 0;
}
