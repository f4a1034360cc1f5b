#include "controls/screen_fit.h"

#include <QEvent>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace controls {
namespace {

// The frame's extent last fitted for, kept on the window itself.
constexpr char kFittedFrame[] = "qel_fittedFrame";

bool isFittedWindow(const QWidget* widget)
{
    if (!widget || !widget->isWindow() || !widget->isVisible())
        return false;
    const Qt::WindowType type = widget->windowType();
    return (type == Qt::Window || type == Qt::Dialog) && !(widget->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

QSize frameExtent(const QWidget& window)
{
    return window.frameGeometry().size() - window.geometry().size();
}

} // namespace

void fitIntoScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize frame = frameExtent(window);
    const QSize room = available.size() - frame;
    window.setProperty(kFittedFrame, frame);
    if (window.minimumWidth() > room.width() || window.minimumHeight() > room.height()) {
        window.showMaximized();
        return;
    }
    if (window.width() > room.width() || window.height() > room.height())
        window.resize(window.size().boundedTo(room));
    const QRect outer(window.frameGeometry().topLeft(), window.size() + frame);
    const int x = std::clamp(outer.left(), available.left(), available.left() + available.width() - outer.width());
    const int y = std::clamp(outer.top(), available.top(), available.top() + available.height() - outer.height());
    if (QPoint(x, y) != outer.topLeft())
        window.move(x, y); // a window's position is its frame's
}

ScreenFit::ScreenFit(QObject* parent)
    : QObject(parent)
{
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (m_fitting || (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize
                      && type != QEvent::WindowActivate))
        return false;
    auto* window = qobject_cast<QWidget*>(watched);
    if (!isFittedWindow(window))
        return false;
    const QVariant fitted = window->property(kFittedFrame);
    if (type != QEvent::Show && fitted.isValid() && fitted.toSize() == frameExtent(*window))
        return false;
    m_fitting = true;
    fitIntoScreen(*window);
    m_fitting = false;
    return false;
}

} // namespace controls
