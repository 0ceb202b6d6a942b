#pragma once

struct ActivationToken;
class QWidget;

// Brings a window to the front, restored if it was minimized. With the token of the launch
// that asked for it, the desktop lets the window take the focus from whatever the user was
// using, as it would for a program it had just started; without one, the window manager may
// only mark it as wanting attention.
namespace WindowActivation {

void bringToFront(QWidget& window, const ActivationToken& token);

} // namespace WindowActivation
