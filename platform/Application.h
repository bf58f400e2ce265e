#pragma once

#include <optional>
#include <string>

class QApplication;

namespace glintfall {

// Before the application object exists: unless the user chose a platform, X11 (XWayland under
// Wayland) whenever an X server can be reached, since the program needs global cursor and window
// positions, and native Wayland otherwise; and lets the window scale only by whole factors so that
// one-pixel dots stay crisp.
void PrepareQtPlatform(int argc, char** argv);

// Before the application object exists, when Qt is to try X11 and then Wayland (the program's own
// choice, not one the user made): one line for standard error naming what is missing and how to
// get a display, when neither an X server nor a Wayland compositor can be reached, where Qt would
// give up with an abort; nothing otherwise.
std::optional<std::string> MissingDisplay();

// Once the application object exists: Qt's own texts in the desktop's language, and the tooltip
// timing the program relies on, over the style the user chose.
void ApplyPlatformDefaults(QApplication& application);

} // namespace glintfall
