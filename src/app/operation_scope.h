#pragma once
// Holds the user-interface thread for one operation. The window keeps painting while the
// link waits for the box, but takes no input: a click or key press meant for the window is
// dropped, so nothing can start a second operation or change an option half-way. Windows
// opened during the operation (its questions) take input as usual.

#include <QObject>

namespace kx::link {
class ProgrammerLink;
}

class QWidget;

namespace kx::app {

class WindowOutput;

class InputBlocker final : public QObject {
  public:
    explicit InputBlocker(QWidget& window) : window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override;
    int Dropped() const { return dropped_; }

  private:
    QWidget& window_;
    int dropped_ = 0;
};

class OperationScope {
  public:
    OperationScope(QWidget& window, link::ProgrammerLink& link, WindowOutput& output);
    ~OperationScope();
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

  private:
    link::ProgrammerLink& link_;
    WindowOutput& output_;
    InputBlocker blocker_;
};

}  // namespace kx::app
