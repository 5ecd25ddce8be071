// e-NodraViewer: the camera's desktop viewer.
#include <QApplication>

#include "app/live_window.h"
#include "camera/camera_controller.h"
#include "config/config.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The start directory is where the program was started from; settings files live there.
    CConfig::Instance();

    CCameraController controller;
    controller.Start();
    int result = 0;
    {
        LiveWindow window(controller);
        window.show();
        result = QApplication::exec();
    }
    controller.Stop();
    return result;
}
