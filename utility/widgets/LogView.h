// The main window's log: a text box that every page writes its result lines into, and where the
// exchange trace goes. The user reads it, selects and copies from it and clears it; typing does not
// change it, and Tab moves on to the next control. Like a terminal it shows its newest line after
// every line added, unless the user has scrolled up to read.
#pragma once

#include <QPlainTextEdit>

#include "LogSink.h"

namespace kestrel {

class LogView final : public QPlainTextEdit, public LogSink {
  Q_OBJECT

 public:
  explicit LogView(QWidget* parent = nullptr);

  void append(const std::string& line) override;
  void append_line(const QString& line);

  // True while the view keeps its newest line in sight.
  bool following() const { return following_; }

 private:
  void scroll_to_newest();

  bool following_ = true;
};

}  // namespace kestrel
