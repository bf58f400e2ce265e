#pragma once

#include "GlobalCursor.h"
#include "TApplicationEvents.h"
#include "TSavePictureDialog.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QMenu;

namespace glintfall {

class Dialogs;
class FrameHost;
class TIconBar;
class TImage;
class TLabel;
struct Scene;

// The program's one window: the canvas above a bar of picture buttons, and a handler for every
// user action. The handlers change the scene; the next due frame tick shows the effect.
class TForm1 : public QWidget {
public:
    TForm1(Scene& scene, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    // Tests drive the tick with a host of their own.
    void SetFrameHost(std::unique_ptr<FrameHost> host);

    // The components, under the names the program has always given them.
    TImage* Image1;
    TIconBar* IconBar;
    TImage* lightbtn;
    TImage* clearbtn;
    TImage* savebtn;
    TImage* changeBtn;
    TImage* InfoBtn;
    TLabel* caphelp;
    QMenu* PopupMenu1;
    TApplicationEvents AE;
    TSavePictureDialog SavePictureDialog;
    // The pointer, as the frame tick reads it; its motion over the window wakes the idle calls.
    GlobalCursor Mouse;

    void FormCreate();
    void FormClose();
    void AEIdle(bool& Done);

    void lightbtnClick();
    void clearbtnClick();
    void savebtnClick();
    void changeBtnClick();
    void InfoBtnClick();
    void FormClick();
    void FormKeyDown();
    void FormMouseWheelUp();
    void FormMouseWheelDown();
    void N1Click();
    void N2Click();

    void lightbtnMouseMove();
    void clearbtnMouseMove();
    void savebtnMouseMove();
    void changeBtnMouseMove();
    void InfoBtnMouseMove();
    void IconBarMouseMove();
    void Image1MouseMove();

protected:
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreatePopupMenu();
    void ConnectHandlers();
    TImage* CreateButton(int left, const QString& name, const QString& hint, const QString& help);
    void LoadButtonPictures();
    void CentreOnDesktop();
    void WriteCanvasPicture(const QString& path);
    using Handler = void (TForm1::*)();
    template <typename Function>
    void Guarded(Function&& function);
    std::function<void()> Slot(Handler handler);

    Scene& m_scene;
    Dialogs& m_dialogs;
    std::unique_ptr<FrameHost> m_host;
    std::int32_t m_wheelDelta = 0;
    bool m_shown = false;
};

} // namespace glintfall
