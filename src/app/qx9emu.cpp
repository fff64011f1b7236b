// qx9emu: the QX9 emulator with its front panel. `qx9emu` asks for an object file; `qx9emu FILE` loads
// FILE after the splash, falling back to the dialog when it cannot be loaded.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <optional>

#include "panel/audio_tone_player.h"
#include "panel/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qx9"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/qx9emu.png")));

  const QStringList args = QApplication::arguments();
  const bool help = args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"));
  if (args.size() > 2 || help) {
    std::fprintf(stderr, "usage: qx9emu [OBJECT-FILE]\n");
    return help ? 0 : 2;
  }
  std::optional<QString> file;
  if (args.size() == 2) file = args[1];

  // The tones play on the desktop's audio output, or only take their time when there is none.
  qx9::Form1 form(nullptr, qx9::MakeDesktopTonePlayer());
  // Cancel in the file dialog ends the program at once.
  if (!form.Form_Load(file)) return 0;
  return QApplication::exec();
}
