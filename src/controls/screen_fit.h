#pragma once
// Every window the program opens stays inside its screen's available area
// (the screen less task bars and docks), the window manager's frame included.
#include <QObject>

class QWidget;

namespace controls {

// Shrinks `window` (a top-level window) so that it fits, frame included,
// into the available area of its screen, and moves it inside that area. A
// window whose minimum size does not fit is maximised instead.
void fitIntoScreen(QWidget& window);

// Watches the application's windows and dialogs (not menus and tool tips):
// each is fitted when it is shown, and again whenever its frame becomes
// known or changes. A window manager adds the frame only after the window is
// mapped, so the size read at show() leaves the title bar and borders out.
// Moving a window by hand is left alone: only a new frame refits it.
class ScreenFit : public QObject {
    Q_OBJECT
public:
    explicit ScreenFit(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_fitting = false;
};

} // namespace controls
