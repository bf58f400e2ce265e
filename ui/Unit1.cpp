#include "Unit1.h"

#include "ColorPattern.h"
#include "Dialogs.h"
#include "ErrorReport.h"
#include "FrameTick.h"
#include "PictureFile.h"
#include "QtFrameHost.h"
#include "Scene.h"
#include "TIconBar.h"
#include "TImage.h"
#include "TLabel.h"
#include "WindowFrame.h"
#include "WrapMath.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QWheelEvent>

#include <cstdlib>

namespace glintfall {

namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 513;
constexpr int kBarHeight = 33;
constexpr int kButtonSize = 30;
constexpr int kWheelStep = 120;
// The longest the idle calls rest while nothing can change: an hour, far below the 2^31 ms after
// which a last frame would seem to lie ahead of the clock.
constexpr std::uint32_t kLongestRestMs = 60 * 60 * 1000;

// The button pictures, by paths relative to the working directory, in the order they are loaded;
// the installed ones stand in for those the working directory lacks.
const char* const kClearPicture = "./icons/clear.bmp";
const char* const kSavePicture = "./icons/save.bmp";
const char* const kLightPicture = "./icons/light.bmp";
const char* const kInfoPicture = "./icons/info.bmp";
const char* const kChangePicture = "./icons/change.bmp";

const QString kLightHelp = QStringLiteral("ライト  (色の変化パターンの変更)");
const QString kClearHelp = QStringLiteral("クリア  (すべて消す)");
const QString kSaveHelp = QStringLiteral("保存");
const QString kStopHelp = QStringLiteral("ストップ  (色の変化の停止)");
const QString kChangeHelp = QStringLiteral("チェンジ  (色の変化の開始)");
const QString kInfoHelp = QStringLiteral("ソフト情報");

QFont WindowFont()
{
    QFont font;
    // Debian's IPA font stands in for the Windows names, which fontconfig does not map to it.
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")});
    font.setPixelSize(12);
    return font;
}

// Tab and Shift+Tab without Alt or Ctrl move between controls in a dialog-like window; here they
// are taken by that navigation and reach no handler.
bool IsDialogNavigationKey(const QKeyEvent& key)
{
    const bool tab = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
    return tab && !(key.modifiers() & (Qt::AltModifier | Qt::ControlModifier));
}

// The picture the working directory holds under the path, as a user's own pictures there rely on;
// where it holds none, the one installed with the program, found from the program's own folder so
// that any prefix will do; where neither is there, the path itself, which the error report names.
QString ButtonPicturePath(const char* path)
{
    const QString inWorkingDirectory = QString::fromLatin1(path);
    if (QFileInfo::exists(inWorkingDirectory))
        return inWorkingDirectory;
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/" GLINTFALL_INSTALLED_PICTURES)
                              + u'/' + QFileInfo(inWorkingDirectory).fileName();
    return QFileInfo::exists(installed) ? installed : inWorkingDirectory;
}

// The extension is the part from the last "." after the last "/", or empty.
QString ExtractFileExt(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > path.lastIndexOf(u'/') ? path.mid(dot) : QString();
}

} // namespace

TForm1::TForm1(Scene& scene, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , AE(this)
    , SavePictureDialog(dialogs)
    , m_scene(scene)
    , m_dialogs(dialogs)
{
    CreateControls();
    CreatePopupMenu();
    ConnectHandlers();
    Mouse.Watch(*this);
    m_host = std::make_unique<QtFrameHost>(*this, *Image1, Mouse);
    AE.SetOnIdle([this](bool& Done) { AEIdle(Done); });
    Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

template <typename Function>
void TForm1::Guarded(Function&& function)
{
    RunReportingErrors(m_dialogs, AE, this, std::forward<Function>(function));
}

// A slot that runs one handler, so that whatever it throws is reported and never reaches Qt.
std::function<void()> TForm1::Slot(Handler handler)
{
    return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
}

void TForm1::SetFrameHost(std::unique_ptr<FrameHost> host)
{
    m_host = std::move(host);
}

void TForm1::CreateControls()
{
    setWindowTitle(QStringLiteral("Glintfall"));
    setFixedSize(kClientWidth, kClientHeight);
    WindowFrame::Of(*this).KeepFixedDialogFrame();
    setFont(WindowFont());
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Image1 = new TImage(this);
    Image1->setGeometry(0, 0, kClientWidth, kClientWidth);
    Image1->PresentDirectly();
    IconBar = new TIconBar(this);
    IconBar->setGeometry(0, kClientWidth, kClientWidth, kBarHeight);
    lightbtn = CreateButton(0, QStringLiteral("ライト"), QStringLiteral("色のパターンを変化させます"), kLightHelp);
    clearbtn = CreateButton(30, QStringLiteral("クリア"), QStringLiteral("クリア"), kClearHelp);
    savebtn = CreateButton(60, QStringLiteral("保存"), QStringLiteral("保存します"), kSaveHelp);
    changeBtn = CreateButton(90, QStringLiteral("チェンジ"), QString(), kChangeHelp);
    InfoBtn = CreateButton(432, QStringLiteral("ソフト情報"), QStringLiteral("このソフトの情報"), kInfoHelp);
    caphelp = new TLabel(IconBar);
    caphelp->move(IconBar->ClientRect().topLeft() + QPoint(132, 8));
}

// A picture button: its name and hover text also tell screen readers what it does.
TImage* TForm1::CreateButton(int left, const QString& name, const QString& hint, const QString& help)
{
    auto* button = new TImage(IconBar);
    button->setGeometry(QRect(IconBar->ClientRect().topLeft() + QPoint(left, 0), QSize(kButtonSize, kButtonSize)));
    button->setToolTip(hint);
    button->setToolTipDuration(2500);
    button->setAccessibleName(name);
    button->setAccessibleDescription(help);
    return button;
}

void TForm1::CreatePopupMenu()
{
    // Defined but attached to no control, so it never opens.
    PopupMenu1 = new QMenu(this);
    connect(PopupMenu1->addAction(QStringLiteral("ライト(&L)")), &QAction::triggered, this, Slot(&TForm1::N1Click));
    PopupMenu1->addAction(QStringLiteral("セーブ(&S)"));
    connect(PopupMenu1->addAction(QStringLiteral("クリア(&N)")), &QAction::triggered, this, Slot(&TForm1::N2Click));
}

void TForm1::ConnectHandlers()
{
    const auto wire = [this](TImage* control, Handler click, Handler move) {
        connect(control, &TImage::Clicked, this, Slot(click));
        connect(control, &TImage::MouseMoved, this, Slot(move));
    };
    wire(Image1, &TForm1::FormClick, &TForm1::Image1MouseMove);
    wire(lightbtn, &TForm1::lightbtnClick, &TForm1::lightbtnMouseMove);
    wire(clearbtn, &TForm1::clearbtnClick, &TForm1::clearbtnMouseMove);
    wire(savebtn, &TForm1::savebtnClick, &TForm1::savebtnMouseMove);
    wire(changeBtn, &TForm1::changeBtnClick, &TForm1::changeBtnMouseMove);
    wire(InfoBtn, &TForm1::InfoBtnClick, &TForm1::InfoBtnMouseMove);
    connect(IconBar, &TIconBar::MouseMoved, this, Slot(&TForm1::IconBarMouseMove));
    // A frame can change under a still pointer when the pointer or the window moves, or when the
    // manager reports another frame: each wakes the idle calls.
    connect(&Mouse, &GlobalCursor::Moved, this, [this] { AE.WakeUp(); });
    connect(&WindowFrame::Of(*this), &WindowFrame::OuterRectChanged, this, [this] { AE.WakeUp(); });
}

// ---- Start-up and shut-down

void TForm1::FormCreate()
{
    m_scene.backBmp = std::make_unique<TABitmap>();
    m_scene.backBmp->SetSize(kCanvasSize, kCanvasSize);
    m_scene.Reset();
    LoadButtonPictures();
}

// Loading stops at the first picture that fails; the error report names it.
void TForm1::LoadButtonPictures()
{
    const std::pair<TImage*, const char*> pictures[] = {
        {clearbtn, kClearPicture}, {savebtn, kSavePicture},     {lightbtn, kLightPicture},
        {InfoBtn, kInfoPicture},   {changeBtn, kChangePicture},
    };
    for (const auto& [button, path] : pictures) {
        TABitmap picture;
        picture.LoadFromFile(QFile::encodeName(ButtonPicturePath(path)).toStdString());
        button->SetPicture(std::move(picture));
    }
}

void TForm1::FormClose()
{
    AE.Stop();
    m_scene.backBmp.reset();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        CentreOnDesktop();
        AE.Start();
    }
}

// Centred on all monitors together, their origin ignored, and never above or left of 0, frame
// included.
void TForm1::CentreOnDesktop()
{
    const QSize desktop = screen()->virtualSize();
    WindowFrame::Of(*this).Place([desktop](QSize outer) {
        return QPoint(std::max(0, (desktop.width() - outer.width()) / 2),
                      std::max(0, (desktop.height() - outer.height()) / 2));
    });
}

// ---- The frame tick

void TForm1::AEIdle(bool& Done)
{
    Guarded([&] {
        glintfall::AEIdle(m_scene, *m_host, Done);
        const std::uint32_t now = m_host->NowMs();
        if (NothingCanChange(m_scene, *m_host)) {
            // Every tick would draw the same frame again until an event changes the scene, the
            // pointer or the window, so the loop waits for one. Now and then a frame is drawn all
            // the same, so that the last frame's time never falls so far behind the clock that the
            // next frame would seem to lie in the future.
            Done = true;
            AE.CallAgainAt(QtFrameHost::WhenClockAdvances(now, kLongestRestMs));
            return;
        }
        // Until the next frame is due a tick would only sleep, so the loop sleeps instead.
        AE.CallAgainAt(QtFrameHost::WhenClockAdvances(now, MsUntilDue(m_scene, now)));
    });
}

// ---- Commands

void TForm1::lightbtnClick()
{
    RandomizePattern(m_scene);
}

void TForm1::clearbtnClick()
{
    ClearTrail(m_scene);
}

void TForm1::changeBtnClick()
{
    m_scene.cycling = !m_scene.cycling;
    changeBtn->setAccessibleDescription(m_scene.cycling ? kStopHelp : kChangeHelp);
}

void TForm1::InfoBtnClick()
{
    m_dialogs.ShowMessage(this, QStringLiteral("Glintfall"), QStringLiteral("Glintfall\n製作　Oskel"),
                          MessageIcon::None, false);
}

void TForm1::FormClick()
{
    m_scene.recording = !m_scene.recording;
}

void TForm1::FormKeyDown()
{
    m_scene.phase = WrapAdd(m_scene.phase, 1);
}

void TForm1::FormMouseWheelUp()
{
    m_scene.phase = WrapAdd(m_scene.phase, 1);
}

void TForm1::FormMouseWheelDown()
{
    m_scene.phase = WrapSub(m_scene.phase, 1);
}

void TForm1::N1Click()
{
    RandomizePattern(m_scene);
}

void TForm1::N2Click()
{
    ClearTrail(m_scene);
}

// ---- Saving

void TForm1::savebtnClick()
{
    {
        const TApplicationEvents::Pause paused(AE);
        if (!SavePictureDialog.Execute(this))
            return;
    }
    QString path = SavePictureDialog.FileName;
    if (ExtractFileExt(path) != QStringLiteral(".bmp")) {
        path += QStringLiteral(".bmp");
        SavePictureDialog.FileName = path;
        // The dialog asked only about the name as typed; the name written may exist too.
        const TApplicationEvents::Pause paused(AE);
        if (QFileInfo::exists(path) && !m_dialogs.ConfirmOverwrite(this, path))
            return;
    }
    WriteCanvasPicture(path);
}

// Writes the last frame shown on the canvas; before the first frame there is nothing to write.
void TForm1::WriteCanvasPicture(const QString& path)
{
    const TABitmap picture = Image1->Picture();
    if (picture.Empty())
        return;
    if (!WritePictureFile(picture, path))
        m_dialogs.ShowMessage(this, QStringLiteral("エラー"), QStringLiteral("File I/O error."), MessageIcon::Error, true);
}

// ---- Input

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (IsDialogNavigationKey(*static_cast<QKeyEvent*>(event)))
            return true;
        Guarded([this] { FormKeyDown(); });
    }
    return QWidget::event(event);
}

// The wheel adds up its deltas; every full step of 120 runs a handler once, and what is left over
// keeps its sign for the next event.
void TForm1::wheelEvent(QWheelEvent* event)
{
    std::int64_t delta = std::int64_t{m_wheelDelta} + event->angleDelta().y();
    while (std::abs(delta) >= kWheelStep) {
        if (delta < 0) {
            Guarded([this] { FormMouseWheelDown(); });
            delta += kWheelStep;
        } else {
            Guarded([this] { FormMouseWheelUp(); });
            delta -= kWheelStep;
        }
    }
    m_wheelDelta = static_cast<std::int32_t>(delta);
}

// ---- Hover help

void TForm1::lightbtnMouseMove()
{
    caphelp->SetCaption(kLightHelp);
}

void TForm1::clearbtnMouseMove()
{
    caphelp->SetCaption(kClearHelp);
}

void TForm1::savebtnMouseMove()
{
    caphelp->SetCaption(kSaveHelp);
}

void TForm1::changeBtnMouseMove()
{
    caphelp->SetCaption(m_scene.cycling ? kStopHelp : kChangeHelp);
}

void TForm1::InfoBtnMouseMove()
{
    caphelp->SetCaption(kInfoHelp);
}

void TForm1::IconBarMouseMove()
{
    caphelp->SetCaption(QString());
}

void TForm1::Image1MouseMove()
{
    caphelp->SetCaption(QString());
}

} // namespace glintfall
