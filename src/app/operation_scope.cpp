#include "app/operation_scope.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "app/window_output.h"
#include "link/programmer_link.h"

namespace kx::app {
namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    const auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != &window_) return false;
    ++dropped_;
    return true;
}

OperationScope::OperationScope(QWidget& window, link::ProgrammerLink& link, WindowOutput& output)
    : link_(link), output_(output), blocker_(window) {
    QCoreApplication::instance()->installEventFilter(&blocker_);
    link_.SetIdleHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    output_.SetPumping(true);
}

OperationScope::~OperationScope() {
    output_.SetPumping(false);
    link_.SetIdleHook({});
    // Input held back while the box was busy is delivered now, into the blocker, so a click
    // made during a run does not start another run afterwards.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&blocker_);
}

}  // namespace kx::app
