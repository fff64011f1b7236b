#pragma once
// Answers real modal windows the way a user would: a short timer looks for the active modal widget
// and hands it to the next handler in line, which acts on it and says whether it was the one it wanted.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

namespace qx9::test {

class ModalAnswerer {
 public:
  using Handler = std::function<bool(QWidget* modal)>;

  ModalAnswerer() {
    poll_.setInterval(10);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }

  void Then(Handler handler) { handlers_.push_back(std::move(handler)); }
  bool Done() const { return handlers_.empty(); }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || handlers_.empty() || !modal->isVisible()) return;
    Handler handler = handlers_.front();
    if (handler(modal)) handlers_.pop_front();
  }

  QTimer poll_;
  std::deque<Handler> handlers_;
};

}  // namespace qx9::test
