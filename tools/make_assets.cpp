// Draws the panel's bitmaps and the application icon, and writes them as PNG files.
//
//   qx9make_assets OUTDIR
//
// The PNGs in assets/ are checked in; this program is how they were made. Everything is drawn with
// QPainter (antialiasing, gradients) in a device-independent way, so a rerun with the same Qt version
// gives the same files. It needs no display: QImage painting works without a window system.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

QImage NewImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Begin(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// ---------------------------------------------------------------------------------------------
// LEDs: a round lens in a brushed grey bezel. The bezel is lit from the top left, so its rim is
// light there and shadowed at the bottom right; the inner ring is the reverse (a recess).

void DrawLed(QImage& image, bool lit) {
  QPainter p(&image);
  Begin(p);
  const QPointF c(16.5, 16.0);  // 33 x 32: the centre between the middle columns and rows

  if (lit) {
    // A soft red glow spilling over the bezel.
    QRadialGradient glow(c, 16.5);
    glow.setColorAt(0.55, QColor(255, 40, 30, 110));
    glow.setColorAt(1.0, QColor(255, 40, 30, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, 16.5, 16.0);
  }

  // Drop shadow of the bezel on the panel.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawEllipse(c + QPointF(0.8, 1.0), 14.6, 14.6);

  // Outer bezel: metallic grey, light at the top left.
  QLinearGradient rim(c + QPointF(-14, -14), c + QPointF(14, 14));
  rim.setColorAt(0.0, QColor(245, 245, 245));
  rim.setColorAt(0.45, QColor(170, 170, 172));
  rim.setColorAt(1.0, QColor(88, 88, 92));
  p.setPen(QPen(QColor(60, 60, 64), 0.8));
  p.setBrush(rim);
  p.drawEllipse(c, 14.4, 14.4);

  // Bezel face, a flatter grey.
  QLinearGradient face(c + QPointF(-12, -12), c + QPointF(12, 12));
  face.setColorAt(0.0, QColor(200, 200, 204));
  face.setColorAt(1.0, QColor(130, 130, 134));
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawEllipse(c, 12.2, 12.2);

  // Recess around the lens: dark at the top left, light at the bottom right.
  QLinearGradient recess(c + QPointF(-10, -10), c + QPointF(10, 10));
  recess.setColorAt(0.0, QColor(55, 55, 58));
  recess.setColorAt(1.0, QColor(225, 225, 228));
  p.setBrush(recess);
  p.drawEllipse(c, 10.4, 10.4);

  // The lens.
  QRadialGradient lens(c + QPointF(-2.5, -2.5), 11.0, c + QPointF(-2.5, -2.5));
  if (lit) {
    lens.setColorAt(0.0, QColor(255, 235, 220));
    lens.setColorAt(0.22, QColor(255, 110, 90));
    lens.setColorAt(0.6, QColor(240, 20, 12));
    lens.setColorAt(1.0, QColor(150, 0, 0));
  } else {
    lens.setColorAt(0.0, QColor(140, 40, 38));
    lens.setColorAt(0.35, QColor(96, 14, 12));
    lens.setColorAt(1.0, QColor(40, 4, 4));
  }
  p.setBrush(lens);
  p.setPen(QPen(lit ? QColor(120, 0, 0) : QColor(25, 2, 2), 0.6));
  p.drawEllipse(c, 9.0, 9.0);

  // Reflection of the room light on the dome.
  QRadialGradient shine(c + QPointF(-3.2, -3.8), 4.2);
  shine.setColorAt(0.0, QColor(255, 255, 255, lit ? 230 : 170));
  shine.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shine);
  p.drawEllipse(c + QPointF(-3.2, -3.8), 4.2, 3.2);

  // A faint second reflection at the bottom right, where the light leaves the lens.
  QRadialGradient back(c + QPointF(4.0, 4.5), 3.0);
  back.setColorAt(0.0, QColor(255, 255, 255, lit ? 90 : 45));
  back.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.setBrush(back);
  p.drawEllipse(c + QPointF(4.0, 4.5), 3.0, 2.0);
}

// ---------------------------------------------------------------------------------------------
// Toggle switches: a chrome bushing with a hex nut, seen slightly from above, and a red lever.

// The round base: a hex nut around a threaded bushing, flattened to an ellipse by the viewing angle.
void DrawSwitchBase(QPainter& p, QPointF c, double rx, double ry) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawEllipse(c + QPointF(1.0, 2.0), rx, ry);

  // Panel washer.
  QLinearGradient washer(c + QPointF(-rx, -ry), c + QPointF(rx, ry));
  washer.setColorAt(0.0, QColor(200, 200, 204));
  washer.setColorAt(0.5, QColor(128, 128, 132));
  washer.setColorAt(1.0, QColor(62, 62, 66));
  p.setPen(QPen(QColor(55, 55, 60), 0.8));
  p.setBrush(washer);
  p.drawEllipse(c, rx, ry);

  // Hex nut.
  QPolygonF hex;
  for (int k = 0; k < 6; ++k) {
    const double a = (60.0 * k) * 3.14159265358979 / 180.0;
    hex << c + QPointF(0.78 * rx * std::cos(a), 0.78 * ry * std::sin(a));
  }
  QLinearGradient nut(c + QPointF(-rx, -ry), c + QPointF(rx, ry));
  nut.setColorAt(0.0, QColor(250, 250, 252));
  nut.setColorAt(0.55, QColor(150, 152, 156));
  nut.setColorAt(1.0, QColor(96, 96, 100));
  p.setPen(QPen(QColor(70, 70, 76), 0.7));
  p.setBrush(nut);
  p.drawPolygon(hex);

  // Bushing: the threaded collar the lever comes out of, dark inside.
  QRadialGradient bush(c + QPointF(-0.3 * rx, -0.3 * ry), 0.55 * rx);
  bush.setColorAt(0.0, QColor(235, 235, 238));
  bush.setColorAt(1.0, QColor(110, 110, 116));
  p.setBrush(bush);
  p.setPen(QPen(QColor(60, 60, 64), 0.7));
  p.drawEllipse(c, 0.46 * rx, 0.46 * ry);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(25, 25, 28));
  p.drawEllipse(c, 0.26 * rx, 0.26 * ry);
}

// The red lever's paint: lit from the left, a bright stripe along its length.
QLinearGradient LeverPaint(double left, double right) {
  QLinearGradient g(QPointF(left, 0), QPointF(right, 0));
  g.setColorAt(0.0, QColor(120, 0, 0));
  g.setColorAt(0.25, QColor(255, 120, 110));
  g.setColorAt(0.42, QColor(235, 30, 24));
  g.setColorAt(1.0, QColor(110, 0, 0));
  return g;
}

void DrawSwitchUp(QImage& image) {
  QPainter p(&image);
  Begin(p);
  const QPointF base(20.5, 48.5);  // 41 x 63: the base at the bottom, the lever standing up
  DrawSwitchBase(p, base, 18.5, 13.0);

  // The lever: a slightly tapered round rod, wider at its tip.
  QPainterPath rod;
  rod.moveTo(base.x() - 3.4, base.y());
  rod.lineTo(base.x() - 4.6, 9.0);
  rod.lineTo(base.x() + 4.6, 9.0);
  rod.lineTo(base.x() + 3.4, base.y());
  rod.closeSubpath();
  p.setPen(QPen(QColor(80, 0, 0), 0.7));
  p.setBrush(LeverPaint(base.x() - 4.5, base.x() + 4.5));
  p.drawPath(rod);

  // Where the rod enters the bushing it is in shadow.
  QLinearGradient foot(QPointF(0, base.y() - 6), QPointF(0, base.y()));
  foot.setColorAt(0.0, QColor(0, 0, 0, 0));
  foot.setColorAt(1.0, QColor(0, 0, 0, 120));
  p.setPen(Qt::NoPen);
  p.setBrush(foot);
  p.drawPath(rod);

  // The round tip, seen from the side and slightly above.
  const QPointF tip(base.x(), 8.5);
  QRadialGradient ball(tip + QPointF(-1.8, -1.8), 6.5, tip + QPointF(-1.8, -2.2));
  ball.setColorAt(0.0, QColor(255, 200, 190));
  ball.setColorAt(0.3, QColor(245, 50, 40));
  ball.setColorAt(1.0, QColor(110, 0, 0));
  p.setPen(QPen(QColor(80, 0, 0), 0.7));
  p.setBrush(ball);
  p.drawEllipse(tip, 5.8, 5.2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 170));
  p.drawEllipse(tip + QPointF(-2.0, -2.2), 1.6, 1.1);
}

void DrawSwitchDown(QImage& image) {
  QPainter p(&image);
  Begin(p);
  const QPointF base(23.5, 17.0);  // 47 x 51: the base at the top, the lever coming down toward us
  DrawSwitchBase(p, base, 21.0, 15.0);

  // Tilted toward the viewer the rod is foreshortened and widens as it comes closer.
  const double tipY = 40.5;
  QPainterPath rod;
  rod.moveTo(base.x() - 3.2, base.y());
  rod.lineTo(base.x() - 5.8, tipY);
  rod.lineTo(base.x() + 5.8, tipY);
  rod.lineTo(base.x() + 3.2, base.y());
  rod.closeSubpath();
  p.setPen(QPen(QColor(80, 0, 0), 0.7));
  p.setBrush(LeverPaint(base.x() - 6.0, base.x() + 6.0));
  p.drawPath(rod);

  // Shadow where the rod leaves the bushing.
  QLinearGradient foot(QPointF(0, base.y()), QPointF(0, base.y() + 7));
  foot.setColorAt(0.0, QColor(0, 0, 0, 130));
  foot.setColorAt(1.0, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(foot);
  p.drawPath(rod);

  // The tip faces us: a large round knob, nearly a full circle.
  const QPointF tip(base.x(), tipY + 1.0);
  QRadialGradient ball(tip + QPointF(-2.2, -2.6), 8.5, tip + QPointF(-2.4, -3.0));
  ball.setColorAt(0.0, QColor(255, 205, 195));
  ball.setColorAt(0.3, QColor(245, 50, 40));
  ball.setColorAt(1.0, QColor(105, 0, 0));
  p.setPen(QPen(QColor(80, 0, 0), 0.7));
  p.setBrush(ball);
  p.drawEllipse(tip, 7.6, 7.4);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 170));
  p.drawEllipse(tip + QPointF(-2.6, -3.0), 2.2, 1.5);
}

// ---------------------------------------------------------------------------------------------
// The maker's logo: an "O" ring with a "V" chevron crossing it, in the sixteen colours of old
// desktop icons, no antialiasing, transparent around it.

const QRgb kPalette16[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

QColor Pal(int i) { return QColor(kPalette16[i]); }

QImage DrawLogo() {
  QImage image = NewImage(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);

  // The ring: dark outline, blue body, a cyan gleam on the upper left.
  p.setPen(Qt::NoPen);
  p.setBrush(Pal(0));
  p.drawEllipse(QRect(1, 2, 30, 29));
  p.setBrush(Pal(4));
  p.drawEllipse(QRect(2, 3, 28, 27));
  p.setBrush(Pal(12));
  p.drawEllipse(QRect(3, 4, 25, 24));
  p.setPen(QPen(Pal(14), 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(5, 6, 21, 20), 110 * 16, 60 * 16);
  // The hole, with a dark inner edge and a grey shade at the bottom.
  p.setPen(Qt::NoPen);
  p.setBrush(Pal(0));
  p.drawEllipse(QRect(8, 9, 16, 15));
  p.setBrush(Pal(7));
  p.drawEllipse(QRect(9, 10, 14, 13));
  p.setBrush(Pal(15));
  p.drawEllipse(QRect(9, 10, 12, 11));

  // The chevron: two red strokes meeting in the hole, outlined in black, a yellow edge on the left.
  p.setPen(QPen(Pal(0), 1));
  QPolygon left;
  left << QPoint(8, 1) << QPoint(12, 1) << QPoint(17, 20) << QPoint(16, 24) << QPoint(15, 24);
  QPolygon right;
  right << QPoint(20, 1) << QPoint(24, 1) << QPoint(17, 24) << QPoint(16, 24) << QPoint(16, 19);
  p.setBrush(Pal(9));
  p.drawPolygon(right);
  p.drawPolygon(left);
  p.setPen(Pal(11));
  p.drawLine(9, 2, 14, 21);
  p.setPen(Pal(1));
  p.drawLine(23, 2, 18, 20);
  p.end();

  // Snap every pixel to the sixteen colours; anything not fully covered stays transparent.
  QImage out = NewImage(32, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const QRgb px = image.pixel(x, y);
      if (qAlpha(px) < 128) continue;
      int best = 0;
      int bestDistance = 1 << 30;
      for (int i = 0; i < 16; ++i) {
        const int dr = qRed(px) - qRed(kPalette16[i]);
        const int dg = qGreen(px) - qGreen(kPalette16[i]);
        const int db = qBlue(px) - qBlue(kPalette16[i]);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
        }
      }
      out.setPixel(x, y, kPalette16[best]);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// The application icon: a small grey front panel with a row of LEDs, a toggle switch and a chip.

QImage DrawIcon(int size) {
  QImage image = NewImage(size, size);
  QPainter p(&image);
  Begin(p);
  p.scale(size / 128.0, size / 128.0);

  // The panel: a rounded grey plate with a bevel.
  QLinearGradient plate(QPointF(0, 8), QPointF(0, 120));
  plate.setColorAt(0.0, QColor(222, 222, 224));
  plate.setColorAt(1.0, QColor(160, 160, 164));
  p.setPen(QPen(QColor(70, 70, 76), 2.0));
  p.setBrush(plate);
  p.drawRoundedRect(QRectF(6, 10, 116, 108), 14, 14);
  p.setPen(QPen(QColor(255, 255, 255, 160), 2.0));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(9, 13, 110, 102), 12, 12);

  // The chip: a black package with legs on both sides and its name.
  p.setPen(Qt::NoPen);
  for (int k = 0; k < 4; ++k) {
    const double y = 66 + 11.0 * k;
    QLinearGradient leg(QPointF(0, y), QPointF(0, y + 5));
    leg.setColorAt(0.0, QColor(240, 240, 240));
    leg.setColorAt(1.0, QColor(130, 130, 134));
    p.setBrush(leg);
    p.drawRect(QRectF(16, y, 10, 5));
    p.drawRect(QRectF(74, y, 10, 5));
  }
  QLinearGradient body(QPointF(0, 60), QPointF(0, 110));
  body.setColorAt(0.0, QColor(70, 70, 76));
  body.setColorAt(1.0, QColor(20, 20, 24));
  p.setBrush(body);
  p.setPen(QPen(QColor(10, 10, 12), 1.5));
  p.drawRoundedRect(QRectF(24, 60, 52, 50), 4, 4);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 120, 128));
  p.drawEllipse(QPointF(32, 68), 3, 3);
  QFont font("Liberation Sans");
  font.setPixelSize(19);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(235, 235, 235));
  p.drawText(QRectF(24, 72, 52, 34), Qt::AlignCenter, QStringLiteral("QX9"));

  // Three LEDs along the top, two of them lit.
  const bool lit[3] = {true, false, true};
  for (int k = 0; k < 3; ++k) {
    const QPointF c(32 + 32.0 * k, 36);
    QLinearGradient rim(c + QPointF(-10, -10), c + QPointF(10, 10));
    rim.setColorAt(0.0, QColor(250, 250, 250));
    rim.setColorAt(1.0, QColor(90, 90, 94));
    p.setPen(QPen(QColor(60, 60, 64), 1.0));
    p.setBrush(rim);
    p.drawEllipse(c, 11.5, 11.5);
    QRadialGradient lens(c + QPointF(-2.5, -2.5), 9.0);
    if (lit[k]) {
      lens.setColorAt(0.0, QColor(255, 225, 210));
      lens.setColorAt(0.3, QColor(255, 70, 50));
      lens.setColorAt(1.0, QColor(160, 0, 0));
    } else {
      lens.setColorAt(0.0, QColor(130, 36, 34));
      lens.setColorAt(1.0, QColor(40, 4, 4));
    }
    p.setPen(QPen(QColor(40, 0, 0), 1.0));
    p.setBrush(lens);
    p.drawEllipse(c, 8.0, 8.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lit[k] ? 210 : 140));
    p.drawEllipse(c + QPointF(-3.0, -3.2), 2.6, 1.9);
  }

  // A toggle switch on the right, lever up.
  const QPointF sw(103, 94);
  p.setPen(QPen(QColor(60, 60, 64), 1.0));
  QLinearGradient nut(sw + QPointF(-10, -8), sw + QPointF(10, 8));
  nut.setColorAt(0.0, QColor(250, 250, 252));
  nut.setColorAt(1.0, QColor(96, 96, 100));
  p.setBrush(nut);
  p.drawEllipse(sw, 10.0, 7.5);
  p.setBrush(QColor(30, 30, 34));
  p.drawEllipse(sw, 3.0, 2.3);
  QPainterPath rod;
  rod.moveTo(sw.x() - 2.2, sw.y());
  rod.lineTo(sw.x() - 3.2, sw.y() - 26);
  rod.lineTo(sw.x() + 3.2, sw.y() - 26);
  rod.lineTo(sw.x() + 2.2, sw.y());
  rod.closeSubpath();
  p.setPen(QPen(QColor(80, 0, 0), 1.0));
  p.setBrush(LeverPaint(sw.x() - 3.5, sw.x() + 3.5));
  p.drawPath(rod);
  QRadialGradient ball(sw + QPointF(-1.5, -28.5), 5.0);
  ball.setColorAt(0.0, QColor(255, 200, 190));
  ball.setColorAt(0.35, QColor(245, 50, 40));
  ball.setColorAt(1.0, QColor(110, 0, 0));
  p.setBrush(ball);
  p.drawEllipse(sw + QPointF(0, -27), 4.6, 4.2);
  return image;
}

bool Save(const QImage& image, const QDir& dir, const char* name) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
    std::fprintf(stderr, "qx9make_assets: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Fonts need a QGuiApplication; the offscreen platform keeps it independent of any display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: qx9make_assets OUTDIR\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists() && !QDir().mkpath(dir.path())) {
    std::fprintf(stderr, "qx9make_assets: cannot create %s\n", argv[1]);
    return 1;
  }

  QImage ledOn = NewImage(33, 32);
  DrawLed(ledOn, true);
  QImage ledOff = NewImage(33, 32);
  DrawLed(ledOff, false);
  QImage switchUp = NewImage(41, 63);
  DrawSwitchUp(switchUp);
  QImage switchDown = NewImage(47, 51);
  DrawSwitchDown(switchDown);

  bool ok = Save(ledOn, dir, "led_on.png") && Save(ledOff, dir, "led_off.png") &&
            Save(switchUp, dir, "switch_up.png") && Save(switchDown, dir, "switch_down.png") &&
            Save(DrawLogo(), dir, "logo.png") && Save(DrawIcon(128), dir, "qx9emu.png");
  // The desktop icon at the other sizes desktops look for; drawn at each size rather than scaled, so
  // the small ones stay sharp.
  for (const char* size : {"16", "32", "48", "64", "256"}) {
    const std::string name = std::string("qx9emu-") + size + ".png";
    ok = ok && Save(DrawIcon(std::atoi(size)), dir, name.c_str());
  }
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
