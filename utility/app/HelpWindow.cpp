#include "HelpWindow.h"

#include <QCoreApplication>
#include <QScreen>
#include <QScrollBar>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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
  fit_width();
  show();
  raise();
  activateWindow();
  return true;
}

// The guide's text wraps to any width, but its widest picture does not: the window is made wide
// enough for it (as far as the screen allows), so that no horizontal scroll bar is needed.
void HelpWindow::fit_width() {
  const int frame = 2 * browser_->frameWidth();
  const int scroll_bar = browser_->verticalScrollBar()->sizeHint().width();
  const int wanted = static_cast<int>(std::ceil(browser_->document()->idealWidth())) + frame + scroll_bar;
  const int room = screen() != nullptr ? screen()->availableGeometry().width() : wanted;
  if (width() < wanted) resize(std::min(wanted, room), height());
}

}  // namespace kestrel
