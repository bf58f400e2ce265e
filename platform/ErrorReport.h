#pragma once

#include <string>

class QWidget;

namespace glintfall {

class Dialogs;
class TApplicationEvents;

// The message as the error report shows it: a full stop is added when the message is not empty
// and the code of its last character (for a multi-byte character, of its first byte) is greater
// than that of ".": so after letters, digits, "/", ":", "?" or any non-ASCII character, but not
// after ".", "!", ")", "-" or a space.
std::string WithFullStop(const std::string& message);

// Shows the exception in flight in the application-wide error report over the window, with idle
// calls paused.
void ReportCurrentException(Dialogs& dialogs, TApplicationEvents& idle, QWidget* window);

// Runs one handler of the window's, reporting whatever it throws, so that no exception reaches Qt.
template <typename Handler>
void RunReportingErrors(Dialogs& dialogs, TApplicationEvents& idle, QWidget* window, Handler&& handler)
{
    try {
        handler();
    } catch (...) {
        ReportCurrentException(dialogs, idle, window);
    }
}

} // namespace glintfall
