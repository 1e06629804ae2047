// Kestrel: the desktop utility for the KITEA and KITEB smart-card readers.
#include <QApplication>

#include "Artwork.h"
#include "MainWindow.h"
#include "Prompter.h"
#include "kiteb.h"
#include "vela1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kestrel"));
  QApplication::setOrganizationName(QStringLiteral("Tolvik"));
  QApplication::setWindowIcon(kestrel::application_icon());

  // The binding outlives the window: the reader library stays loaded until the program ends.
  kestrel::Kiteb binding;
  kestrel::Vela1 vela1(binding);
  kestrel::DesktopPrompter prompter;
  kestrel::TForm1 window(binding, vela1, prompter);
  window.show();
  return QApplication::exec();
}
