#pragma once

class QApplication;

namespace glintfall {

// Before the application object exists: chooses X11 (XWayland under Wayland) unless the user chose
// a platform, since the program needs global cursor and window positions, and lets the window
// scale only by whole factors so that one-pixel dots stay crisp.
void PrepareQtPlatform(int argc, char** argv);

// Once the application object exists: the tooltip timing the program relies on.
void ApplyPlatformDefaults(QApplication& application);

} // namespace glintfall
