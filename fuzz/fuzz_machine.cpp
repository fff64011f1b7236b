// libFuzzer target: a 256-byte program image followed by a script of what a user does on the panel.
// Every action is checked against the machine's invariants (see machine_invariants.h), and
// run as well on a twin whose host tells the core its boxes are unchanged; a broken invariant or a twin
// that runs differently aborts with its description, which libFuzzer reports as a finding.
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

#include "machine_invariants.h"

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

// Two machines take every action: one whose host is read at every cycle, the checked one, and a twin
// whose host says its boxes hold what was shown (Host::WordBoxes). They must stay alike.
struct Panel {
  qx9::test::ScriptedHost host;
  qx9::Machine m{host};
  explicit Panel(qx9::Host::Boxes mode) {
    host.Mode = mode;
    host.TickTarget = &m;
  }
};

void CompareTwins(Panel& checked, Panel& twin) {
  twin.m.ReadWordBoxes();  // the checker has taken the checked machine's boxes in after the action
  qx9::MachineState a = checked.m;
  qx9::MachineState b = twin.m;
  a.InstrText = b.InstrText;  // the checker's own preview leaves its texts behind
  a.OperandText = b.OperandText;
  a.LastPWM = b.LastPWM;
  a.TextPendingAt = b.TextPendingAt;
  if (!(a == b) || checked.host.BoxTexts() != twin.host.BoxTexts() ||
      checked.host.TimerEnabled() != twin.host.TimerEnabled()) {
    Fail("a host that says its boxes hold what was shown ran differently from one that is read");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx9;
  std::array<uint8_t, kImageSize> image{};
  const size_t imageBytes = size < kImageSize ? size : kImageSize;
  for (size_t i = 0; i < imageBytes; ++i) image[i] = data[i];
  Script script(data + imageBytes, size - imageBytes);

  Panel checked(Host::Boxes::MayBeEdited);
  Panel twin(Host::Boxes::AsShown);
  test::InvariantChecker checker(checked.m, checked.host);
  // An action on both machines, checked.
  auto act = [&](auto action) {
    std::string broken = checker.Act([&] { action(checked); });
    if (!broken.empty()) Fail(broken);
    action(twin);
    CompareTwins(checked, twin);
  };
  auto both = [&](auto change) {
    change(checked);
    change(twin);
  };
  both([&](Panel& p) { p.m.LoadImage(image); });
  act([](Panel& p) { p.m.StartProgram(); });

  while (script.More()) {
    switch (script.Next() % 12) {
      case 0:
      case 1: act([](Panel& p) { p.m.Step_Click(); }); break;
      case 2: act([](Panel& p) { p.m.StepOver_Click(); }); break;
      case 3: {
        if (!checked.host.TimerEnabled()) act([](Panel& p) { p.m.RunBtn_Click(); });
        const int ticks = script.Next() % 64 + 1;
        for (int i = 0; i < ticks && checked.host.TimerEnabled(); ++i) act([](Panel& p) { p.m.Timer1_Timer(); });
        break;
      }
      case 4:
        if (checked.host.TimerEnabled()) act([](Panel& p) { p.m.Timer1_Timer(); });
        break;
      case 5: {
        const int index = script.Next() % 8;
        act([index](Panel& p) { p.m.GInBtn_Click(index); });
        break;
      }
      case 6: {
        const int index = script.Next() % 8;
        const std::string text = script.Text(11);
        act([&](Panel& p) { p.host.TypeWordBox(index, text); });
        break;
      }
      case 7: {
        const std::string text = script.Text(7);
        both([&](Panel& p) { p.host.SetPotText(text); });
        break;
      }
      case 8: {
        const std::string text = script.Text(7);
        both([&](Panel& p) { p.host.SetPulsInText(text); });
        break;
      }
      case 9: {
        const uint8_t length = script.Next();
        const std::optional<std::string> answer =
            length == 255 ? std::nullopt : std::optional<std::string>(script.Text(7, length));
        both([&](Panel& p) { p.host.QueueAnswer(answer); });
        break;
      }
      case 10: {
        const int ticks = script.Next() % 4;
        both([&](Panel& p) { p.host.ModalTicks = ticks; });
        break;
      }
      case 11: act([](Panel& p) { p.m.RunBtn_Click(); }); break;
    }
  }
  return 0;
}
