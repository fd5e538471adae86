#pragma once

#include <QWidget>
#include <string>

// A text picture of the window's design controls, one line a control in creation order, then the
// tab order: what the reviewed golden file tests/data/window-controls.txt holds. Each line gives
// the name, the class, the design parent (the group box or the window), the place in that
// parent's pixels, the size (not for labels, which fit their caption in the font at hand), the
// caption and, for a spin box, its range and its edit's longest text. The window must be shown
// and active: the tab order is where the Tab key takes the focus.
std::string DescribeControls(QWidget& form);
