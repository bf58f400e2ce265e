#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace glintfall {

// The frame an X11 window manager puts around one of the program's top-level windows, as the
// manager itself reports it in _NET_FRAME_EXTENTS (EWMH), read through Qt's own connection to the
// X server. Qt works the frame out from the windows the manager wraps around the client, which
// goes wrong where a manager adds invisible borders, nests several wrappers, or has not finished
// framing; the manager's own figures have none of these faults.
class X11WindowFrame : public QAbstractNativeEventFilter {
public:
    // Nothing unless the program runs on X11. `onChange` runs whenever the manager reports other
    // extents than before.
    static std::unique_ptr<X11WindowFrame> Create(std::uint32_t window, std::function<void()> onChange);
    ~X11WindowFrame() override;
    X11WindowFrame(const X11WindowFrame&) = delete;
    X11WindowFrame& operator=(const X11WindowFrame&) = delete;

    // In the device pixels of the X server; none where no manager reports a frame.
    QMargins Extents() const { return m_extents; }

    // Asks for a title bar with a close box and a border that offers no resizing: the window can
    // be moved and closed, not resized, maximised or minimised, where the manager honours the
    // hints. Qt always offers resizing in them.
    void AskForFixedDialogFrame();

    // Before the window is mapped: learns the frame the manager will put around it, waiting at
    // most `longest` for the answer, so that the window can be placed before it first appears.
    void LearnBeforeMapping(std::chrono::milliseconds longest);

    // Asks for another client size and leaves the position to the manager, which keeps the
    // window's reference point, and so its place, as it is.
    void Resize(QSize size);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11WindowFrame(void* connection, std::uint32_t window, std::function<void()> onChange);
    std::uint32_t Atom(const char* name) const;
    bool ManagerRuns() const;
    bool ManagerSupports(const char* atom) const;
    bool WaitForExtents(std::uint32_t window, std::chrono::steady_clock::time_point deadline);
    void LearnFromStandIn(std::chrono::steady_clock::time_point deadline);
    void ReadExtents();

    void* m_connection;
    std::uint32_t m_window;
    std::uint32_t m_root;
    std::uint32_t m_extentsAtom;
    std::function<void()> m_onChange;
    QMargins m_extents;
};

} // namespace glintfall
