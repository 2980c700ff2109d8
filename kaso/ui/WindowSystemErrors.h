#pragma once

namespace kaso::ui {

// Xlib's default handler ends the process on any protocol error, and other clients can cause
// one at will: a program that asks for the clipboard and exits before the answer makes the
// answer fail with BadWindow. After the window system has started on X11, this installs a
// handler that logs such an error and carries on. Elsewhere it does nothing.
void survive_window_system_errors();

}
