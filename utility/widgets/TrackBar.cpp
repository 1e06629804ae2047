#include "TrackBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace kestrel {
namespace {

constexpr int kBandHeight = 3;
// Wide enough for each tick to be told apart.
constexpr int kPixelsPerPosition = 10;

}  // namespace

TrackBar::TrackBar(int minimum, int maximum, QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(minimum, maximum);
  setPageStep(1);
  setTickInterval(1);
  setTickPosition(QSlider::TicksBelow);
  setMinimumWidth(kPixelsPerPosition * (maximum - minimum + 1));
}

void TrackBar::set_selection_start(int position) {
  selection_start_ = position;
  update();
}

void TrackBar::set_selection_end(int position) {
  selection_end_ = position;
  update();
}

// The selection is a band just below the groove, from the handle's centre at the start position
// to its centre at the end position; an empty or reversed range draws nothing.
void TrackBar::paintEvent(QPaintEvent* event) {
  QSlider::paintEvent(event);
  if (selection_end_ <= selection_start_) return;
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int travel = groove.width() - handle.width();
  const auto centre_at = [&](int position) {
    return groove.left() + handle.width() / 2 +
           QStyle::sliderPositionFromValue(minimum(), maximum(), position, travel, option.upsideDown);
  };
  const int left = centre_at(selection_start_);
  const int right = centre_at(selection_end_);
  QPainter painter(this);
  painter.fillRect(QRect(left, groove.bottom() + 1, right - left, kBandHeight), palette().color(QPalette::Highlight));
}

}  // namespace kestrel
