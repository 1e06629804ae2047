#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrel {

QString user_guide_path() {
  return QDir(QCoreApplication::applicationDirPath())
      .absoluteFilePath(QStringLiteral("../share/doc/kestrel/user-guide.html"));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Kestrel Help"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(720, 560);
}

bool HelpWindow::show_contents() {
  const QFileInfo guide(user_guide_path());
  if (!guide.isReadable()) return false;
  browser_->setSource(QUrl::fromLocalFile(guide.canonicalFilePath()));
  show();
  raise();
  activateWindow();
  return true;
}

}  // namespace kestrel
