// A horizontal track bar with a selection range drawn along its groove: the protection settings
// show with it which blocks or registers a position covers.
#pragma once

#include <QSlider>

class QPaintEvent;

namespace kestrel {

class TrackBar final : public QSlider {
  Q_OBJECT

 public:
  // Positions minimum to maximum, one tick per position.
  TrackBar(int minimum, int maximum, QWidget* parent = nullptr);

  int selection_start() const { return selection_start_; }
  int selection_end() const { return selection_end_; }
  void set_selection_start(int position);
  void set_selection_end(int position);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int selection_start_ = 0;
  int selection_end_ = 0;
};

}  // namespace kestrel
