#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace kestrel {
namespace {

// A chip card filling rect: a rounded blue card with a gold contact plate on its left.
void draw_card(QPainter& painter, const QRectF& rect) {
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal radius = rect.height() * 0.12;
  painter.setPen(QPen(QColor(0x1d, 0x3c, 0x6e), std::max<qreal>(1.0, rect.height() / 30)));
  painter.setBrush(QColor(0x3f, 0x6f, 0xb5));
  painter.drawRoundedRect(rect, radius, radius);

  const QRectF chip(rect.left() + rect.width() * 0.12, rect.top() + rect.height() * 0.32, rect.width() * 0.22,
                    rect.height() * 0.34);
  painter.setPen(QPen(QColor(0x8a, 0x6d, 0x1f), std::max<qreal>(0.8, rect.height() / 40)));
  painter.setBrush(QColor(0xe8, 0xc3, 0x4f));
  painter.drawRoundedRect(chip, chip.height() * 0.15, chip.height() * 0.15);
  painter.drawLine(QPointF(chip.center().x(), chip.top()), QPointF(chip.center().x(), chip.bottom()));
  painter.drawLine(QPointF(chip.left(), chip.center().y()), QPointF(chip.right(), chip.center().y()));

  // The stripe a reader's contacts slide along.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 90));
  painter.drawRect(QRectF(rect.left() + rect.width() * 0.45, rect.top() + rect.height() * 0.70,
                          rect.width() * 0.45, rect.height() * 0.08));
}

QPixmap transparent_pixmap(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

QPixmap application_icon(int size) {
  QPixmap pixmap = transparent_pixmap(size, size);
  QPainter painter(&pixmap);
  draw_card(painter, QRectF(1, size * 0.18, size - 2, size * 0.64));
  return pixmap;
}

QPixmap logo(int width, int height) {
  QPixmap pixmap = transparent_pixmap(width, height);
  QPainter painter(&pixmap);
  // A second card behind the first, as if in a reader's slot.
  painter.setOpacity(0.45);
  draw_card(painter, QRectF(width * 0.18, 1, width * 0.8, height * 0.78));
  painter.setOpacity(1.0);
  draw_card(painter, QRectF(1, height * 0.2, width * 0.8, height * 0.78));
  return pixmap;
}

}  // namespace kestrel
