// The main window's "About" page: the product name and version over a list that shows what the
// open reader says about itself.
#pragma once

#include <QStringList>
#include <QWidget>

#include "kiteb.h"

class QPlainTextEdit;

namespace kestrel {

// The reader information lines, in the order the page lists them.
QStringList reader_information_lines(const QX_INFO& info);

class AboutPage final : public QWidget {
  Q_OBJECT

 public:
  explicit AboutPage(QWidget* parent = nullptr);

  // Empties the list and fills it from the reader: its information, or "No reader is connected".
  void show_reader_information(Kiteb& binding);

  const QPlainTextEdit& list() const { return *list_; }
  QPlainTextEdit& list() { return *list_; }

 private:
  QPlainTextEdit* list_;
};

}  // namespace kestrel
