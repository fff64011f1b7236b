// VCD and WAV exports of recorded example runs, a full ring, and files that cannot be written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/signal_recorder.h"
#include "support/command.h"
#include "support/fake_host.h"
#include "support/scratch_dir.h"
#include "trace/atomic_file.h"
#include "trace/timeline_export.h"
#include "trace/vcd_writer.h"
#include "trace/wav_writer.h"

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
};

// Every variable's value, by its one-character id, at a time of a dump from our writer.
std::map<std::string, std::string> ValuesAt(const std::string& vcd, int64_t timeUs) {
  std::map<std::string, std::string> values;
  std::istringstream in(vcd.substr(vcd.find("$enddefinitions")));
  for (std::string line; std::getline(in, line);) {
    if (line[0] == '#' && std::stoll(line.substr(1)) > timeUs) break;
    const size_t space = line.find(' ');
    if (line[0] == 'b') values[line.substr(space + 1)] = line.substr(1, space - 1);
    if (line[0] == '0' || line[0] == '1') values[line.substr(1)] = line.substr(0, 1);
  }
  return values;
}

TEST(VcdExport, AFullRingStartsTheDumpFromTheOldestKeptPointWithTheValuesThen) {
  struct Case {
    const char* Example;
    size_t Capacity;
    int Steps;
  };
  // TUNE's ring of two starts in the middle of a note; rings of 128 and more drop events in batches.
  const Case cases[] = {{"BLINK.OBJ", 5, 21}, {"TUNE.OBJ", 2, 12}, {"BLINK.OBJ", 256, 1500}, {"TUNE.OBJ", 128, 700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Example);
    Recording whole(c.Example);
    Recording clipped(c.Example, c.Capacity);
    whole.Steps(c.Steps);
    clipped.Steps(c.Steps);
    EXPECT_GT(clipped.recorder.EventsDropped(), 0u);
    const std::string all = trace::VcdText(whole.recorder);
    const std::string kept = trace::VcdText(clipped.recorder);
    const int64_t start = clipped.recorder.Origin().TimeUs;
    EXPECT_NE(kept.find("$enddefinitions $end\n#" + std::to_string(start) + "\n$dumpvars\n"), std::string::npos);
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
      if (line[0] != '#' || std::stoll(line.substr(1)) < start) continue;
      EXPECT_EQ(ValuesAt(kept, std::stoll(line.substr(1))), ValuesAt(all, std::stoll(line.substr(1)))) << line;
    }
  }
}

// The rendered sound, as the WAV file holds it (tools_test.sh has sox read the file itself).
std::vector<int16_t> Rendered(const SignalRecorder& recorder) {
  std::vector<int16_t> samples;
  trace::RenderSound(recorder, [&samples](const int16_t* block, size_t count) {
    samples.insert(samples.end(), block, block + count);
    return true;
  });
  return samples;
}

int64_t ZeroCrossings(const std::vector<int16_t>& samples, int64_t first, int64_t end) {
  int64_t crossings = 0;
  for (auto i = static_cast<size_t>(first + 1); i < static_cast<size_t>(end); ++i) {
    if ((samples[i - 1] < 0 && samples[i] > 0) || (samples[i - 1] > 0 && samples[i] < 0)) ++crossings;
  }
  return crossings;
}

int64_t Samples(double ms) { return static_cast<int64_t>(ms * 44.1 + 0.5); }

// A run that stops on a change must still give it a length, or tools that sample the dump drop it.
TEST(VcdExport, TheDumpEndsWithATimeStampAfterItsLastChange) {
  Recording r("BLINK.OBJ");
  r.m.RunBtn_Click();
  while (r.m.InstructionsExecuted < 40) r.m.Timer1_Timer();
  r.recorder.CatchUp(r.m);
  const std::string vcd = trace::VcdText(r.recorder);
  const std::string lastLine = vcd.substr(vcd.rfind('\n', vcd.size() - 2) + 1);
  EXPECT_EQ(lastLine[0], '#') << lastLine;
}

TEST(WavExport, TunesNotesHaveTheirFrequenciesAndDurationsWithinOneSample) {
  Recording r("TUNE.OBJ");
  r.Steps(12);
  const std::vector<int16_t> samples = Rendered(r.recorder);
  EXPECT_EQ(samples.size(), 70384u);  // 1596 ms is 70383.6 samples: spans round to the nearest
  // A square wave of f Hz crosses zero 2f times a second; only the rest is silent.
  struct Note {
    double StartMs;
    double LengthMs;
    int Hz;
  };
  const Note notes[] = {{0, 144, 261}, {144, 144, 333}, {288, 144, 386}, {432, 360, 520},
                        {792, 120, 0}, {912, 144, 386}, {1056, 540, 520}};
  for (const Note& note : notes) {
    const int64_t first = Samples(note.StartMs);
    const int64_t crossings = ZeroCrossings(samples, first, first + Samples(note.LengthMs));
    SCOPED_TRACE(std::to_string(note.Hz) + " Hz at " + std::to_string(note.StartMs));
    EXPECT_NEAR(crossings, 2.0 * note.Hz * note.LengthMs / 1000.0, 1.0);
    const auto silent = std::count(samples.begin() + first, samples.begin() + first + Samples(note.LengthMs), 0);
    EXPECT_EQ(silent, note.Hz == 0 ? Samples(note.LengthMs) : 0);
  }
  // Each note starts a fresh period, high: at 144 ms E begins where C would have been low.
  EXPECT_EQ(samples[static_cast<size_t>(Samples(144))], trace::kWavAmplitude);
  EXPECT_EQ(samples[static_cast<size_t>(Samples(144) - 1)], -trace::kWavAmplitude);
}

// Export files: clear errors, nothing half-written, links and pipes kept.
class ExportFiles : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    r.Steps(3);
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }
  Recording r{"TUNE.OBJ"};
};

TEST_F(ExportFiles, BadPathsAreAClearErrorAndLeaveNothingBehind) {
  fs::create_directory(dir_ / "folder.vcd");
  const std::string folder = (dir_ / "folder.vcd").string();
  const std::pair<std::string, std::string> cases[] = {
      {folder, "cannot write " + folder + ": it is a folder"},
      {"", "cannot write a file without a name"},
  };
  for (const auto& [path, message] : cases) {
    for (TimelineFormat format : {TimelineFormat::Vcd, TimelineFormat::Wav}) {
      const std::optional<std::string> error = trace::ExportTimeline(r.recorder, format, path);
      ASSERT_TRUE(error.has_value()) << path;
      EXPECT_EQ(error->rfind(message, 0), 0u) << *error;
    }
  }
  EXPECT_EQ(Listing(), std::vector<std::string>{"folder.vcd"});
  EXPECT_TRUE(fs::is_empty(dir_ / "folder.vcd"));
}

TEST_F(ExportFiles, AWriteThatFailsHalfwayKeepsTheOldFileAndRemovesTheTemporary) {
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
  EXPECT_EQ(ReadWhole(path), "old content");
}

TEST_F(ExportFiles, ASuccessfulWriteReplacesTheFileOrTheLinkedFile) {
  const fs::path path = dir_ / "out.vcd";
  std::ofstream(path) << "old content";
  fs::create_symlink(path, dir_ / "link.vcd");
  const mode_t mask = umask(022);
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, path), std::nullopt);
  umask(mask);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(ReadWhole(path), trace::VcdText(r.recorder));
  std::ofstream(path) << "old content";
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, (dir_ / "link.vcd").string()), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.vcd"));
  EXPECT_EQ(ReadWhole(path), trace::VcdText(r.recorder));
  EXPECT_EQ(Listing().size(), 2u);
}

TEST_F(ExportFiles, APipeIsWrittenStraightInsteadOfReplaced) {
  const fs::path fifo = dir_ / "pipe.vcd";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&fifo, &received] { received = ReadWhole(fifo); });
  EXPECT_EQ(trace::ExportTimeline(r.recorder, TimelineFormat::Vcd, fifo.string()), std::nullopt);
  reader.join();
  EXPECT_EQ(received, trace::VcdText(r.recorder));
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
  EXPECT_EQ(Listing(), std::vector<std::string>{"pipe.vcd"});
}

}  // namespace
}  // namespace qx9::test
