#ifndef XSERVER_H
#define XSERVER_H

#include <QImage>
#include <QRect>

// A private X server (Xvfb) for the tests whose faults only a real X server
// shows: a pop-up that paints nothing, a text cut by the width it is really
// drawn in, the focus moved by a window manager. Optionally with a window
// manager (openbox), which then frames, moves and activates the windows.
namespace XServer {

enum Desktop { Bare, WithWindowManager };

// Starts the server (and the window manager), and points DISPLAY and Qt's
// platform at it. Must run before the application object is created; the
// processes end with the test program. Aborts the test program when the
// server cannot start: such a test never passes on the offscreen platform.
void start(Desktop desktop = Bare);
// Whether a window manager runs on the server now.
bool hasWindowManager();
// The screen's pixels in area, as the X server shows them.
QImage grabScreen(const QRect &area);

} // namespace XServer

// LINKORA_TEST_MAIN on a private X server.
#define LINKORA_XSERVER_TEST_MAIN(TestClass, desktop)                                                        \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        TestEnvironment::isolate();                                                                          \
        XServer::start(desktop);                                                                             \
        QApplication app(argc, argv);                                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

#endif // XSERVER_H
