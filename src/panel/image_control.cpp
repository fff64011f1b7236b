#include "panel/image_control.h"

#include <QMouseEvent>

namespace qx9 {

void ImageControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QLabel::mousePressEvent(event);
  event->accept();
  emit clicked();
}

}  // namespace qx9
