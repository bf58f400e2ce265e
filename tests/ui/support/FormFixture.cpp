#include "FormFixture.h"

#include "ButtonPictures.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

namespace glintfall {

void FormFixture::StartForm(Pictures pictures, const QStringList& leftOut,
                            const QMap<QString, QByteArray>& replaced)
{
    previousFolder = QDir::currentPath();
    folder = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(folder->isValid());
    if (pictures == Pictures::All) {
        ASSERT_TRUE(CopyButtonPictures(folder->path(), leftOut));
    }
    for (auto it = replaced.begin(); it != replaced.end(); ++it) {
        QFile file(folder->filePath(QStringLiteral("icons/%1.bmp").arg(it.key())));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(it.value()), it.value().size());
    }
    QDir::setCurrent(folder->path());
    scene = std::make_unique<Scene>(QtFrameHost::ClockNow());
    form = std::make_unique<TForm1>(*scene, dialogs);
    auto testHost = std::make_unique<TestFrameHost>(*form, *form->Image1, form->Mouse);
    host = testHost.get();
    form->SetFrameHost(std::move(testHost));
}

void FormFixture::TearDown()
{
    form.reset();
    scene.reset();
    if (!previousFolder.isEmpty())
        QDir::setCurrent(previousFolder);
    folder.reset();
}

void FormFixture::Spin(int milliseconds)
{
    if (form)
        form->AE.WakeUp();
    QTest::qWait(milliseconds);
}

void FormFixture::Send(QWidget* widget, QEvent& event)
{
    // Marked as coming from the platform, so that Qt passes it on to parents as it would for real.
    // (sendEvent would clear the mark; QTest delivers its own events the same way.)
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(widget, &event);
}

void FormFixture::Click(QWidget* widget, Qt::MouseButton button)
{
    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, widget->mapToGlobal(inside), button, button, {});
    QMouseEvent release(QEvent::MouseButtonRelease, inside, widget->mapToGlobal(inside), button, {}, {});
    Send(widget, press);
    Send(widget, release);
}

void FormFixture::MoveOver(QWidget* widget, QPoint position)
{
    const QPointF at(position);
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, {}, {});
    Send(widget, move);
}

} // namespace glintfall
