// The VCD and WAV exports of recorded runs of the bundled examples, the ring's limit as the exports
// see it, and files that cannot be written.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/signal_recorder.h"
#include "support/fake_host.h"
#include "support/scratch_dir.h"
#include "trace/atomic_file.h"
#include "trace/timeline_export.h"
#include "trace/vcd_writer.h"
#include "trace/wav_writer.h"
#include "vcd_reader.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;
using trace::TimelineFormat;

// A bundled example loaded into a machine with a recorder attached from its first cycle on.
struct Recording {
  FakeHost host;
  Machine m{host};
  SignalRecorder recorder;

  explicit Recording(const std::string& example, size_t capacity = SignalRecorder::kDefaultEventCapacity)
      : recorder(capacity) {
    EXPECT_TRUE(m.LoadObjectFile(std::string(EXAMPLES_DIR) + "/" + example));
    recorder.Restart(m);
    m.AddListener(recorder);
    m.StartProgram();
  }
  ~Recording() { m.RemoveListener(recorder); }

  void Steps(int n) {
    for (int i = 0; i < n; ++i) m.Step_Click();
    recorder.CatchUp(m);
  }
  // Runs freely until `instructions` have executed, a tick at a time.
  void RunUntil(uint64_t instructions) {
    m.RunBtn_Click();
    while (m.InstructionsExecuted < instructions) m.Timer1_Timer();
    recorder.CatchUp(m);
  }
};

class TempDir : public ScratchDir {
 protected:
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }
};

std::vector<int64_t> Times(const std::vector<Change>& changes) {
  std::vector<int64_t> times;
  for (const Change& c : changes) times.push_back(c.TimeUs);
  return times;
}

// --- VCD --------------------------------------------------------------------------------------

TEST(VcdExport, BlinksPin0PeriodIsItsPauseAndItsInstructionsInSimulatedTime) {
  Recording r("BLINK.OBJ");
  r.RunUntil(3 + 4 * 3);  // Let Dirs, Let Pins, Pause; then four rounds of Let, Goto, Pause
  const Traces traces = ReadVcd(trace::VcdText(r.recorder));
  // Running freely a tick is 1 ms and runs one instruction: Let Dirs=255 at 1 ms, Let Pins=85 (pin 0
  // high) at 2 ms, Pause 500 at 3 ms. The pause then takes 50 ticks of 10 ms, the last of which runs
  // the swapping Let; the Goto and the next Pause take a 1 ms tick each. So the pins swap every
  // 500 + 1 + 1 = 502 ms, and pin 0 repeats every 1004 ms.
  constexpr int64_t kHalfPeriodUs = 50 * 10000 + 1000 + 1000;
  const std::vector<int64_t> expected = {0,
                                         2000,
                                         3000 + 500000,
                                         3000 + 500000 + kHalfPeriodUs,
                                         3000 + 500000 + 2 * kHalfPeriodUs,
                                         3000 + 500000 + 3 * kHalfPeriodUs};
  EXPECT_EQ(Times(traces.at("pin0")), expected);
  EXPECT_EQ(traces.at("pin0")[1].Value, "1");
  EXPECT_EQ(traces.at("pin0")[2].Value, "0");
  EXPECT_EQ(traces.at("pin0")[3].Value, "1");
  // From one falling edge to the next: the whole period.
  EXPECT_EQ(traces.at("pin0")[4].TimeUs - traces.at("pin0")[2].TimeUs, 1004000);
}

TEST(VcdExport, DeclaresTheVariablesInOneScopeWithMicroseconds) {
  Recording r("BLINK.OBJ");
  r.Steps(2);
  const std::string vcd = trace::VcdText(r.recorder);
  const std::vector<std::string> lines = {
      "$timescale 1us $end",
      "$scope module qx9 $end",
      "$var wire 1 ! pin0 $end",
      "$var wire 1 ( pin7 $end",
      "$var wire 1 ) dir0 $end",
      "$var wire 1 0 dir7 $end",
      "$var wire 16 1 port $end",
      "$var wire 16 2 W0 $end",
      "$var wire 16 8 W6 $end",
      "$var integer 32 9 tone_hz $end",
      "$upscope $end",
      "$enddefinitions $end",
  };
  for (const std::string& line : lines) EXPECT_NE(vcd.find(line + "\n"), std::string::npos) << line;
}

TEST(VcdExport, ToneHzIsTheFrequencyWhileATonePlaysAndZeroOtherwise) {
  Recording r("TUNE.OBJ");
  r.Steps(12);
  const Traces traces = ReadVcd(trace::VcdText(r.recorder));
  // Let Dirs and Let Pins take 1 ms each, so the first Sound starts at 2 ms; every Sound adds its
  // notes and its own 1 ms, and a Let sits between two Sounds. The last Sound is a rest, then two
  // notes back to back: one change where the first ends and the second begins.
  const std::vector<Change> expected = {
      {0, "0"},      {2000, "100000101"},   {146000, "0"},           {148000, "101001101"},
      {292000, "0"}, {294000, "110000010"}, {438000, "0"},           {440000, "1000001000"},
      {800000, "0"}, {922000, "110000010"}, {1066000, "1000001000"}, {1606000, "0"},
  };
  EXPECT_EQ(traces.at("tone_hz"), expected);
}

// What a whole dump shows from a time on, the value current then included.
std::vector<Change> TailFrom(const std::vector<Change>& changes, int64_t start) {
  std::vector<Change> tail;
  for (const Change& c : changes) {
    if (c.TimeUs <= start) {
      tail.assign(1, {start, c.Value});
    } else {
      tail.push_back(c);
    }
  }
  return tail;
}

TEST(VcdExport, AFullRingStartsTheDumpFromTheOldestKeptPointWithTheValuesThen) {
  struct Case {
    const char* Example;
    size_t Capacity;
    bool Run;  // free run until this many instructions, or that many Step presses
    int Instructions;
  };
  // BLINK's pins wrap the ring many times; TUNE's ring of two keeps only its last note and the Let
  // after it, so the dump starts in the middle of the G before them.
  const Case cases[] = {{"BLINK.OBJ", 5, true, 3 + 3 * 6}, {"TUNE.OBJ", 2, false, 12}};
  for (const Case& c : cases) {
    Recording whole(c.Example);
    Recording clipped(c.Example, c.Capacity);
    for (Recording* r : {&whole, &clipped}) {
      if (c.Run) {
        r->RunUntil(static_cast<uint64_t>(c.Instructions));
      } else {
        r->Steps(c.Instructions);
      }
    }
    EXPECT_GT(clipped.recorder.EventsDropped(), 0u) << c.Example;
    const Traces all = ReadVcd(trace::VcdText(whole.recorder));
    const Traces kept = ReadVcd(trace::VcdText(clipped.recorder));
    const int64_t start = clipped.recorder.Origin().TimeUs;
    for (const char* name : {"pin0", "pin1", "dir0", "port", "tone_hz"}) {
      EXPECT_EQ(kept.at(name), TailFrom(all.at(name), start)) << c.Example << " " << name;
    }
  }
}

TEST(VcdExport, TuneClippedInTheMiddleOfANoteStartsWithIt) {
  Recording clipped("TUNE.OBJ", 2);
  clipped.Steps(12);
  EXPECT_EQ(clipped.recorder.Origin().TimeUs, 922000);
  EXPECT_EQ(clipped.recorder.Origin().ToneHzNow(), 386);
  // The rest of the G (144 ms from the origin) and the high C (540 ms), back to back.
  EXPECT_EQ(trace::SoundSampleCount(clipped.recorder), trace::SampleAt(684000));
}

// --- WAV --------------------------------------------------------------------------------------

struct Wav {
  SF_INFO Info{};
  std::vector<int16_t> Samples;
};

Wav ReadWav(const fs::path& path) {
  Wav wav;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.Info);
  if (file == nullptr) return wav;
  wav.Samples.resize(static_cast<size_t>(wav.Info.frames));
  sf_read_short(file, wav.Samples.data(), wav.Info.frames);
  sf_close(file);
  return wav;
}

struct Stretch {
  int64_t First = 0;  // sample index
  int64_t Length = 0;
};

// The stretches of sound between silences.
std::vector<Stretch> SoundingStretches(const std::vector<int16_t>& samples) {
  std::vector<Stretch> runs;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] == 0) continue;
    if (i == 0 || samples[i - 1] == 0) runs.push_back({static_cast<int64_t>(i), 0});
    ++runs.back().Length;
  }
  return runs;
}

int64_t ZeroCrossings(const std::vector<int16_t>& samples, int64_t first, int64_t end) {
  int64_t crossings = 0;
  for (int64_t i = first + 1; i < end; ++i) {
    const int16_t a = samples[static_cast<size_t>(i - 1)];
    const int16_t b = samples[static_cast<size_t>(i)];
    if ((a < 0 && b > 0) || (a > 0 && b < 0)) ++crossings;
  }
  return crossings;
}

int64_t Samples(double ms) { return static_cast<int64_t>(ms * 44.1 + 0.5); }

class WavExport : public TempDir {};

TEST_F(WavExport, TunesNotesHaveTheirFrequenciesAndDurationsWithinOneSample) {
  Recording r("TUNE.OBJ");
  r.Steps(12);
  const fs::path path = dir_ / "tune.wav";
  ASSERT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Wav, path), std::nullopt);
  const Wav wav = ReadWav(path);
  EXPECT_EQ(wav.Info.samplerate, 44100);
  EXPECT_EQ(wav.Info.channels, 1);
  EXPECT_EQ(wav.Info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  // The notes and the rest back to back: start and length in ms, frequency (0: the rest).
  struct Note {
    double StartMs;
    double LengthMs;
    int Hz;
  };
  const Note notes[] = {{0, 144, 261}, {144, 144, 333}, {288, 144, 386}, {432, 360, 520},
                        {792, 120, 0}, {912, 144, 386}, {1056, 540, 520}};
  // Only the rest is silent, so the sound falls into two stretches.
  const std::vector<Stretch> stretches = SoundingStretches(wav.Samples);
  ASSERT_EQ(stretches.size(), 2u);
  EXPECT_NEAR(stretches[0].First, 0, 1);
  EXPECT_NEAR(stretches[0].Length, Samples(792), 1);
  EXPECT_NEAR(stretches[1].First, Samples(912), 1);
  EXPECT_NEAR(stretches[1].Length, Samples(684), 1);
  EXPECT_NEAR(static_cast<int64_t>(wav.Samples.size()), Samples(1596), 1);
  // A square wave of f Hz crosses zero 2f times a second.
  for (const Note& note : notes) {
    const int64_t first = Samples(note.StartMs);
    const int64_t crossings = ZeroCrossings(wav.Samples, first, first + Samples(note.LengthMs));
    EXPECT_NEAR(crossings, 2.0 * note.Hz * note.LengthMs / 1000.0, 1.0) << note.Hz << " Hz at " << note.StartMs;
  }
  // Each note starts a fresh period, high, where the one before ended: at 144 ms E begins, where C
  // would have been in a low half.
  EXPECT_EQ(wav.Samples[static_cast<size_t>(Samples(144))], trace::kWavAmplitude);
  EXPECT_EQ(wav.Samples[static_cast<size_t>(Samples(144) - 1)], -trace::kWavAmplitude);
}

TEST_F(WavExport, ASilentProgramGivesAnEmptyButValidFile) {
  Recording r("BLINK.OBJ");
  r.Steps(5);
  const fs::path path = dir_ / "quiet.wav";
  ASSERT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Wav, path), std::nullopt);
  const Wav wav = ReadWav(path);
  EXPECT_EQ(wav.Info.samplerate, 44100);
  EXPECT_EQ(wav.Samples.size(), 0u);
}

TEST(WavSamples, SpansRoundToTheNearestSample) {
  EXPECT_EQ(trace::SampleAt(0), 0);
  EXPECT_EQ(trace::SampleAt(1000), 44);  // 44.1
  EXPECT_EQ(trace::SampleAt(1000000), 44100);
  EXPECT_EQ(trace::SampleAt(11338), 500);  // 499.99
  EXPECT_EQ(trace::SampleAt(11326), 499);  // 499.48
}

// --- files that cannot be written -------------------------------------------------------------

class BadPaths : public TempDir {};

TEST_F(BadPaths, AreAClearErrorAndLeaveNothingBehind) {
  Recording r("TUNE.OBJ");
  r.Steps(3);
  fs::create_directory(dir_ / "folder.vcd");
  struct Case {
    std::string Path;
    std::string Message;
  };
  const Case cases[] = {
      {(dir_ / "missing" / "out.vcd").string(),
       "cannot write " + (dir_ / "missing" / "out.vcd").string() + ": No such file or directory"},
      {(dir_ / "folder.vcd").string(), "cannot write " + (dir_ / "folder.vcd").string() + ": it is a folder"},
      {"", "cannot write a file without a name"},
      {"/proc/out.vcd", "cannot write /proc/out.vcd: "},
  };
  for (const Case& c : cases) {
    for (TimelineFormat format : {TimelineFormat::Vcd, TimelineFormat::Wav}) {
      const std::optional<std::string> error = trace::ExportTimeline(r.recorder, format, c.Path);
      ASSERT_TRUE(error.has_value()) << c.Path;
      EXPECT_EQ(error->rfind(c.Message, 0), 0u) << *error;
    }
  }
  EXPECT_EQ(Listing(), std::vector<std::string>{"folder.vcd"});
  EXPECT_TRUE(fs::is_empty(dir_ / "folder.vcd"));
}

TEST_F(BadPaths, AReadOnlyFolderIsAClearError) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  Recording r("TUNE.OBJ");
  r.Steps(3);
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  const std::string path = (dir_ / "out.wav").string();
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Wav, path),
            "cannot write " + path + ": Permission denied");
  fs::permissions(dir_, fs::perms::owner_all);
  EXPECT_TRUE(Listing().empty());
}

TEST_F(BadPaths, AWriteThatFailsHalfwayKeepsTheOldFileAndRemovesTheTemporary) {
  const fs::path path = dir_ / "keep.vcd";
  std::ofstream(path) << "old content";
  std::string error;
  const bool ok = trace::WriteFileAtomically(
      path.string(),
      [](int fd, std::string& reason) {
        EXPECT_TRUE(trace::WriteAll(fd, "half", 4, reason));
        reason = "No space left on device";
        return false;
      },
      error);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "cannot write " + path.string() + ": No space left on device");
  EXPECT_EQ(Listing(), std::vector<std::string>{"keep.vcd"});
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "old content");
}

TEST_F(BadPaths, ASuccessfulWriteReplacesTheFileWithTheUsualPermissions) {
  Recording r("BLINK.OBJ");
  r.Steps(2);
  const fs::path path = dir_ / "out.vcd";
  std::ofstream(path) << "old content";
  const mode_t mask = umask(022);
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, path), std::nullopt);
  umask(mask);
  EXPECT_EQ(Listing(), std::vector<std::string>{"out.vcd"});
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(fs::file_size(path), trace::VcdText(r.recorder).size());
}

TEST_F(BadPaths, ASymbolicLinkStaysALinkAndItsFileGetsTheDump) {
  Recording r("BLINK.OBJ");
  r.Steps(2);
  std::ofstream(dir_ / "real.vcd") << "old content";
  fs::create_symlink(dir_ / "real.vcd", dir_ / "link.vcd");
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, (dir_ / "link.vcd").string()), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.vcd"));
  EXPECT_EQ(fs::file_size(dir_ / "real.vcd"), trace::VcdText(r.recorder).size());
}

TEST_F(BadPaths, APipeIsWrittenStraightInsteadOfReplaced) {
  Recording r("BLINK.OBJ");
  r.Steps(2);
  const fs::path fifo = dir_ / "pipe.vcd";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&fifo, &received] {
    std::ifstream in(fifo);
    std::stringstream content;
    content << in.rdbuf();
    received = content.str();
  });
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, fifo.string()), std::nullopt);
  reader.join();
  EXPECT_EQ(received, trace::VcdText(r.recorder));
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
  EXPECT_EQ(Listing(), std::vector<std::string>{"pipe.vcd"});
}

}  // namespace
}  // namespace qx9::test
