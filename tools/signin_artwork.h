#pragma once
// The two pictures of the sign-in window, painted with QPainter.
//
// The window lays borderless white text boxes and flat transparent buttons
// over them, so the pictures carry the white fields, the captions beside the
// fields and the button faces, each exactly where the window puts its box or
// button. Painting is deterministic: same fonts, same pixels.
#include <QImage>

namespace artwork {

// Upper picture, 497 x 278, shown at the window's top-left corner.
QImage paintSignInTop();

// Lower picture, 497 x 139, shown at window y 277 in password-change mode.
QImage paintSignInBottom();

} // namespace artwork
