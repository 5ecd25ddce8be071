// e-NodraViewer: the camera's desktop viewer.
#include <QApplication>

#include <memory>

#include "app/main_frame.h"
#include "app/single_instance.h"
#include "camera/camera_controller.h"
#include "config/config.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // A second copy ends here, silently, before it touches the camera.
    const viewer::SingleInstance instance;
    if (!instance.IsFirst()) {
        return 0;
    }

    auto controller = std::make_unique<CCameraController>();
    controller->Start();
    // The start directory is where the program was started from; settings files live there.
    CConfig& config = CConfig::Instance();

    CMainFrame frame(config);
    frame.InitialUpdate(std::move(controller));
    frame.show();
    return QApplication::exec();
}
