#include "PageParts.h"

#include <QLabel>
#include <QPalette>
#include <QStatusBar>
#include <QTreeWidget>

namespace kestrel {

void keep_selection_visible(QTreeWidget& tree) {
  QPalette palette = tree.palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  tree.setPalette(palette);
}

QStatusBar* status_bar_with_panels(std::span<const int> widths, std::vector<QLabel*>& panels, QWidget* parent) {
  auto* status_bar = new QStatusBar(parent);
  status_bar->setSizeGripEnabled(false);
  panels.clear();
  for (const int width : widths) {
    auto* panel = new QLabel(status_bar);
    panel->setFixedWidth(width);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_bar->addWidget(panel);
    panels.push_back(panel);
  }
  return status_bar;
}

}  // namespace kestrel
