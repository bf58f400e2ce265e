#pragma once

#include "FakeDialogs.h"
#include "FrameHost.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "TImage.h"
#include "Unit1.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace glintfall {

// The real frame services, but with the cursor where the test puts it, and a count of frames.
class TestFrameHost : public QtFrameHost {
public:
    using QtFrameHost::QtFrameHost;

    TPoint CursorPos() override { return cursor; }
    void SleepOneMs() override
    {
        ++sleeps;
        QtFrameHost::SleepOneMs();
    }
    void PresentFrame(const TABitmap& frame, const Damage& changed) override
    {
        ++framesPresented;
        QtFrameHost::PresentFrame(frame, changed);
    }

    TPoint cursor{-10000, -10000};
    int framesPresented = 0;
    int sleeps = 0;
};

// A window started in a folder of the test's own, with the button pictures copied in or not.
class FormFixture : public ::testing::Test {
protected:
    enum class Pictures { All, None };

    // The pictures named in `replaced` get the given bytes in place of their own.
    void StartForm(Pictures pictures = Pictures::All, const QStringList& leftOut = {},
                   const QMap<QString, QByteArray>& replaced = {});
    void TearDown() override;

    // Runs the event loop for a while, so that idle calls and paints happen. The idle calls are
    // woken first, as the event that changed the scene or the cursor would wake them in the program,
    // where a test changes them directly.
    void Spin(int milliseconds);
    // Sends the event to the widget through the application, as the platform would.
    static void Send(QWidget* widget, QEvent& event);
    static void Click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton);
    static void MoveOver(QWidget* widget, QPoint position = {5, 5});

    std::unique_ptr<QTemporaryDir> folder;
    QString previousFolder;
    FakeDialogs dialogs;
    std::unique_ptr<Scene> scene;
    std::unique_ptr<TForm1> form;
    TestFrameHost* host = nullptr;
};

} // namespace glintfall
