#include "ErrorReport.h"

#include "Dialogs.h"
#include "TApplicationEvents.h"

#include <exception>
#include <new>

namespace glintfall {

namespace {

bool IsContinuationByte(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

} // namespace

std::string WithFullStop(const std::string& message)
{
    std::size_t first = message.size();
    while (first > 0 && IsContinuationByte(static_cast<unsigned char>(message[first - 1])))
        --first;
    if (first == 0)
        return message;
    const auto leadByte = static_cast<unsigned char>(message[first - 1]);
    return leadByte > '.' ? message + "." : message;
}

void ReportCurrentException(Dialogs& dialogs, TApplicationEvents& idle, QWidget* window)
{
    std::string message;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        message = "Out of memory";
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = "Unknown error";
    }
    const TApplicationEvents::Pause paused(idle);
    dialogs.ShowErrorReport(window, QString::fromStdString(WithFullStop(message)));
}

} // namespace glintfall
