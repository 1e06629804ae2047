// Pieces the main window's pages share: a tree whose selection stays visible when it loses the
// focus, and a status bar of fixed-width panels.
#pragma once

#include <span>
#include <vector>

class QLabel;
class QStatusBar;
class QTreeWidget;
class QWidget;

namespace kestrel {

void keep_selection_visible(QTreeWidget& tree);

// A status bar under parent with one sunken panel of each width, left to right.
QStatusBar* status_bar_with_panels(std::span<const int> widths, std::vector<QLabel*>& panels, QWidget* parent);

}  // namespace kestrel
