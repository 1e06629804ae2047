// The main window's log: a text box that every page writes its result lines into, and where the
// exchange trace goes. The user may edit it, copy from it and clear it.
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
};

}  // namespace kestrel
