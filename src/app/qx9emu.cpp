// qx9emu: the QX9 emulator with its front panel. `qx9emu` asks for an object file; `qx9emu FILE` loads
// FILE after the splash, falling back to the dialog when it cannot be loaded. Exit status: 0, or 1 for
// bad usage (as qx9run), 2 no display to show the window on, 5 out of memory.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "panel/audio_tone_player.h"
#include "panel/form1.h"
#ifdef QX9_HAVE_WORKBENCH
#include "workbench/launcher.h"
#endif

namespace {

constexpr const char* kUsage = "usage: qx9emu [--workbench] [OBJECT-FILE]\n       qx9emu --help | --version\n";
constexpr int kExitUsage = 1;
constexpr int kExitNoDisplay = 2;
constexpr int kExitMemory = 5;

// Without a display Qt aborts with a message about its plugins; say instead what is missing. A
// platform chosen by environment or -platform is left to Qt.
bool NoDisplay(int argc, char** argv) {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return false;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0) return false;
  }
  return true;
}

// --help and --version answer before the window system is touched, so they work without a display.
std::optional<int> AnswerInfoOption(int argc, char** argv) {
  if (argc != 2) return std::nullopt;
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("qx9emu %s\n", QX9_VERSION);
    return 0;
  }
  return std::nullopt;
}

int RunPanel(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qx9"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/qx9emu.png")));

  // What Qt leaves of the arguments (it takes its own, such as -platform). --workbench anywhere among
  // them opens the workbench beside the panel.
  QStringList args = QApplication::arguments();
  const bool workbench = args.removeAll(QStringLiteral("--workbench")) > 0;
  const bool option = args.size() == 2 && args[1].startsWith(QLatin1Char('-')) && args[1] != QLatin1String("-");
  if (args.size() > 2 || option) {
    if (option) std::fprintf(stderr, "qx9emu: unknown option %s\n", qPrintable(args[1]));
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  std::optional<QString> file;
  if (args.size() == 2) file = args[1];

  // The tones play on the desktop's audio output, or only take their time when there is none.
  qx9::Form1 form(nullptr, qx9::MakeDesktopTonePlayer());
#ifdef QX9_HAVE_WORKBENCH
  // Declared after the panel, so it and its workbench go before the machine they drive.
  qx9::WorkbenchLauncher launcher(form);
#endif
  // Cancel in the file dialog ends the program at once.
  if (!form.Form_Load(file)) return 0;
#ifdef QX9_HAVE_WORKBENCH
  if (workbench) launcher.Open();
#else
  (void)workbench;
#endif
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerInfoOption(argc, argv)) return *status;
  if (NoDisplay(argc, argv)) {
    std::fputs(
        "qx9emu: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it in a desktop session, "
        "under xvfb-run, or with QT_QPA_PLATFORM=offscreen\n",
        stderr);
    return kExitNoDisplay;
  }
  try {
    return RunPanel(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("qx9emu: out of memory\n", stderr);
    return kExitMemory;
  }
}
