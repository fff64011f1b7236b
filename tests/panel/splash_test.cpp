// frmSplash: its look, and the three ways it closes (a character key, a click on its frame, its timer).
#include <QScreen>

#include "panel/splash.h"
#include "panel_rig.h"

namespace qx9::test {

class SplashTest : public QObject {
  Q_OBJECT

 private slots:
  void looks() {
    frmSplash splash;
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.isModal());
    QCOMPARE(splash.size(), QSize(492, 283));
    QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
    auto text = [&](const char* name) { return splash.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    QCOMPARE(text("lblCompanyProduct"), QStringLiteral("Ovrin Presents"));
    QCOMPARE(text("lblProductName"), QStringLiteral("QX9EMU"));
    QCOMPARE(text("lblVersion"), QStringLiteral("Version 0.8 Beta"));
    for (const char* name : {"lblNoticeTop", "lblPlatform", "lblNotice", "lblCompany", "lblWarning"}) {
      QVERIFY2(!text(name).isEmpty(), name);
    }
    QVERIFY(text("lblCompany").contains(QStringLiteral("Ovrin")));
    QCOMPARE(splash.findChild<QWidget*>(QStringLiteral("Frame1"))->geometry(), QRect(10, 4, 472, 270));
    // A label sized to its text is wide enough for it.
    QLabel* product = splash.findChild<QLabel*>(QStringLiteral("lblProductName"));
    QVERIFY(product->width() >= product->fontMetrics().horizontalAdvance(product->text()));
  }

  void timerClosesItAfterTenSeconds() {
    frmSplash splash;
    QVERIFY(splash.timer1().isActive());
    QCOMPARE(splash.timer1().interval(), 10000);
    QVERIFY(splash.timer1().isSingleShot());
    splash.show();
    splash.Timer1_Timer();
    QVERIFY(!splash.isVisible());
  }

  // The modal show ends when the splash closes.
  void modalShowEnds() {
    frmSplash splash;
    QTimer::singleShot(0, &splash, [&] { splash.Timer1_Timer(); });
    splash.exec();
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.timer1().isActive());
  }

  void keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("closes");
    QTest::newRow("letter") << int(Qt::Key_A) << "a" << true;
    QTest::newRow("digit") << int(Qt::Key_7) << "7" << true;
    QTest::newRow("space") << int(Qt::Key_Space) << " " << true;
    QTest::newRow("Enter") << int(Qt::Key_Return) << "\r" << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << true;
    QTest::newRow("F1") << int(Qt::Key_F1) << "" << false;
    QTest::newRow("arrow") << int(Qt::Key_Left) << "" << false;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << "" << false;
  }
  void keys() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, closes);
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&splash, &press);
    QCOMPARE(splash.isVisible(), !closes);
  }

  void clicks_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("closes");
    QTest::newRow("frame") << "Frame1" << true;
    QTest::newRow("logo") << "imgLogo" << false;
    QTest::newRow("product name") << "lblProductName" << false;
    QTest::newRow("warning line") << "lblWarning" << false;
  }
  // Clicked where a user clicks: at the control's place in the window.
  void clicks() {
    QFETCH(QString, target);
    QFETCH(bool, closes);
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QWidget* widget = splash.findChild<QWidget*>(target);
    // For the frame: a point of its own, away from every label.
    const QPoint local = target == QLatin1String("Frame1") ? QPoint(widget->width() / 4, widget->height() / 2)
                                                          : widget->rect().center();
    QVERIFY(widget->childAt(local) == nullptr);
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&splash, local));
    QCOMPARE(splash.isVisible(), !closes);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::SplashTest)
#include "splash_test.moc"
