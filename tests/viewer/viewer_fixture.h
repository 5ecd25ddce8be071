// The whole viewer as the program builds it, on a virtual camera of the test's own and in
// folders of its own, with message boxes answered and recorded. Tests drive it through its widgets.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "app/main_frame.h"
#include "camera/camera_controller.h"
#include "config/config.h"
#include "controls/control_panel.h"
#include "controls/message_box.h"
#include "controls/skin_button.h"
#include "gallery/disp_view.h"
#include "library_waits.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"
#include "view/main_view.h"

namespace viewer::test {

inline constexpr int kWait = 15000;

// The viewer as main() builds it, on a virtual camera and in folders of its own.
struct Viewer {
    // Each message box gets `answer`; change it to answer Yes, No or Cancel.
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    Viewer()
        : camera(std::make_shared<vcam::VirtualCamera>(qlv::test::fastCameraOptions())),
          config(folder.path(), folder.path() + "/documents") {
        qlv::setTransportFactoryForTesting(
            [cam = camera] { return std::make_unique<qlv::VirtualTransport>(cam); });
        // A user's documents folder exists; the gallery's data folder is made inside it.
        QDir().mkpath(folder.path() + "/documents");
        viewer::SetMessageAnswererForTesting([this](const viewer::MessageRecord& message) {
            messages.push_back(message);
            return answer;
        });
        auto controller = std::make_unique<CCameraController>();
        controller->Start();
        frame = std::make_unique<CMainFrame>(config);
        frame->InitialUpdate(std::move(controller));
        frame->show();
        view = frame->View();
        panel = view->Panel();
    }
    ~Viewer() {
        frame.reset();
        viewer::SetMessageAnswererForTesting({});
        qlv::setTransportFactoryForTesting({});
    }

    CSkinButton* button(int id) const {
        return panel->findChild<CSkinButton*>(QStringLiteral("ID_%1").arg(id));
    }
    void click(int id) const { QTest::mouseClick(button(id), Qt::LeftButton); }
    CDispView* pane(int index) const { return view->Pane(index); }
    bool waitLive(int index) const {
        return QTest::qWaitFor([&] { return pane(index)->IsLive() && pane(index)->HasPicture(); },
                               kWait);
    }

    QTemporaryDir folder;
    std::shared_ptr<vcam::VirtualCamera> camera;
    CConfig config;
    std::vector<viewer::MessageRecord> messages;
    std::unique_ptr<CMainFrame> frame;
    CNKestrumViewerView* view = nullptr;
    CControlPanel* panel = nullptr;
};

}  // namespace viewer::test
