// qx9emu: the QX9 emulator with its front panel. `qx9emu` asks for an object file; `qx9emu FILE` loads
// FILE after the splash, falling back to the dialog when it cannot be loaded.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <optional>

#include "panel/audio_tone_player.h"
#include "panel/form1.h"
#ifdef QX9_HAVE_WORKBENCH
#include "workbench/launcher.h"
#endif

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qx9"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/qx9emu.png")));

  QStringList args = QApplication::arguments();
  // --workbench anywhere among the arguments opens the workbench beside the panel.
  const bool workbench = args.removeAll(QStringLiteral("--workbench")) > 0;
  const bool help = args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"));
  if (args.size() > 2 || help) {
    std::fprintf(stderr, "usage: qx9emu [--workbench] [OBJECT-FILE]\n");
    return help ? 0 : 2;
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
