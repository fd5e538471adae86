#pragma once

#include <QApplication>
#include <QWidget>

// A busy cursor while it lives; the window is painted first where a closed dialog left a hole,
// so that it never shows the dialog during the work.
class BusyCursor
{
  public:
    explicit BusyCursor(QWidget* window)
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        window->repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
