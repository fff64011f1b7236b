#pragma once
// An image control: shows a bitmap and reports clicks. A disabled one gets no clicks at all.

#include <QLabel>

namespace qx9 {

class ImageControl : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace qx9
