#pragma once

#include "ButtonPictures.h"

#include <QProcess>
#include <QRgb>
#include <QTemporaryDir>

#include <utility>
#include <vector>

namespace glintfall {

// Runs one of the X tools (xdotool, xprop, xwininfo) and returns what it printed.
inline QString RunTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The colour of trail index i in the starting pattern, as the screen shows it.
inline QRgb IndexColour(int i)
{
    return qRgb(i & 255, (i * i) & 255, (i * i + i) & 255) & 0xFFFFFF;
}

// The real program, started in a folder of its own that holds its button pictures, on the platform
// it picks by itself in the environment it is given; killed when the object goes.
class RealProgram {
public:
    ~RealProgram()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Starts it with these variables added to the environment (removed, where the value is empty)
    // and waits for its window on this X display. False, with nothing in window, if it does not
    // show one there.
    bool Start(const std::vector<std::pair<QString, QString>>& variables = {})
    {
        if (!Launch(variables))
            return false;
        window = RunTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                                     QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                     QStringLiteral("^Glintfall$")})
                     .split(u'\n')
                     .constFirst();
        return !window.isEmpty();
    }

    // Starts it without waiting for a window, for displays other than this one.
    bool Launch(const std::vector<std::pair<QString, QString>>& variables = {})
    {
        if (!m_folder.isValid() || !CopyButtonPictures(m_folder.path()))
            return false;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const auto& [name, value] : variables) {
            if (value.isEmpty())
                environment.remove(name);
            else
                environment.insert(name, value);
        }
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(m_folder.path());
        m_process.start(QStringLiteral(GLINTFALL_PROGRAM), {});
        return m_process.waitForStarted();
    }

    bool Running() const { return m_process.state() == QProcess::Running; }
    // What it has written to its standard error so far.
    QString Errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

    QString window;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

} // namespace glintfall
