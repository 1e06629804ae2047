// The help window: the user guide, an HTML page installed with the program under
// share/doc/kestrel, shown in a browser window of its own.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace kestrel {

// Where the user guide is: share/doc/kestrel/user-guide.html beside the program's bin folder.
QString user_guide_path();

class HelpWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Shows the guide's contents; false when the guide cannot be found.
  bool show_contents();

  const QTextBrowser& browser() const { return *browser_; }

 private:
  void fit_width();

  QTextBrowser* browser_;
};

}  // namespace kestrel
