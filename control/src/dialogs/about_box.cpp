#include "about_box.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "dialog_units.h"
#include "gui_session.h"
#include "picture.h"
#include "resources.h"

namespace pelorus::control {
namespace {

// Icon 1: the control's picture at twice its size.
QPixmap about_icon() {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  for (int y = 0; y < kPictureHeight; ++y)
    for (int x = 0; x < kPictureWidth; ++x) image.setPixel(x, y, 0xFF000000 | picture_pixel(x, y));
  return QPixmap::fromImage(image.scaled(kPictureWidth * 2, kPictureHeight * 2));
}

QLabel* text(const QString& content, const QRect& geometry, const char* name, QWidget* parent) {
  auto* label = new QLabel(content, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setFont(dialog_font());
  const DialogUnits units(font());
  setWindowTitle(QStringLiteral("About Larkspur Control"));
  setFixedSize(units.size(260, 55));
  move(units.point(34, 22));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setPixmap(about_icon());
  icon->setGeometry(QRect(units.point(10, 10), icon->pixmap().size()));
  text(QStringLiteral("Larkspur Control, Version 1.0"), units.rect(40, 10, 170, 8), "title", this);
  text(QStringLiteral("%1 %2").arg(QString::fromLatin1(resources::kFileDescription),
                                   QString::fromLatin1(resources::kFileVersion)),
       units.rect(40, 25, 170, 8), "version", this);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setGeometry(units.rect(221, 7, 32, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void show_about_box() {
  GuiSession session;
  AboutDialog dialog;
  dialog.exec();
}

}  // namespace pelorus::control
