// The viewer's resource identifiers: control IDs, bitmaps, cursors, strings and event numbers.
// Widgets carry their control ID as objectName "ID_<number>" and as the "controlId" property;
// bitmaps live at ":/bitmap/<number>.bmp" (CDib::BitmapResourcePath), cursors at
// ":/cursor/<number>.png" and the application icon at ":/icon/128.png".
#pragma once

namespace res {

// Application title: message-box caption and print document name.
inline constexpr const char* kAppTitle = "e-NodraViewer ver3.0";
// Main window title, also the single-instance key.
inline constexpr const char* kMainWindowTitle = "e-Nodra Viewer Ver3.0";

// Child windows of the main view.
inline constexpr int kGalleryList = 104;
inline constexpr int kBasketButton = 124;
inline constexpr int kFirstPane = 116;  // panes 0..4 are 116..120
inline constexpr int kPaneCount = 5;

// Control panel (dialog 161).
inline constexpr int kControlPanelDialog = 161;
inline constexpr int kCaptureButton = 1022;
inline constexpr int kFreezeButton = 1023;
inline constexpr int kPreviewButton = 1024;
inline constexpr int kSettingButton = 1025;
inline constexpr int kPrintButton = 1026;
inline constexpr int kLayout1Button = 1027;      // "1"
inline constexpr int kLayout2Button = 1028;      // "2"
inline constexpr int kLayout2HalfButton = 1029;  // "2'"
inline constexpr int kLayout4Button = 1030;      // "4"
inline constexpr int kFullScreenButton = 1031;
inline constexpr int kRadio640 = 1032;
inline constexpr int kRadio1280 = 1033;
inline constexpr int kIdEdit = 1036;
inline constexpr int kIdButton = 1037;

// Bitmaps: a picture button's normal, hover and disabled pictures.
struct ButtonBitmaps {
    int normal, hover, disabled;
};
inline constexpr ButtonBitmaps kCaptureBitmaps{148, 149, 147};
inline constexpr ButtonBitmaps kFreezeBitmaps{153, 151, 152};
inline constexpr ButtonBitmaps kPreviewBitmaps{156, 157, 155};
inline constexpr ButtonBitmaps kSettingBitmaps{160, 158, 159};
inline constexpr ButtonBitmaps kPrintBitmaps{169, 167, 168};
inline constexpr ButtonBitmaps kLayout1Bitmaps{172, 173, 171};
inline constexpr ButtonBitmaps kLayout2Bitmaps{175, 170, 174};
inline constexpr ButtonBitmaps kLayout2HalfBitmaps{178, 179, 177};
inline constexpr ButtonBitmaps kLayout4Bitmaps{181, 176, 180};
inline constexpr ButtonBitmaps kFullScreenBitmaps{187, 188, 186};
inline constexpr ButtonBitmaps kIdBitmaps{190, 189, 190};
inline constexpr ButtonBitmaps kBasketBitmaps{198, 196, 197};
inline constexpr int kPanelBackgroundBitmap = 166;  // 130 x 400, tiled
inline constexpr int kBuiltInLogoBitmap = 203;      // 150 x 87

// Cursors.
inline constexpr int kSkinButtonCursor = 164;
inline constexpr int kPaneCursorNotLive = 225;
inline constexpr int kPaneCursorLive = 226;

// Icon.
inline constexpr int kAppIcon = 128;

// Events between the acquisition thread, the main view and the Camera Setting dialog.
inline constexpr int kFrameReadyEvent = 1074;   // WM_USER + 50
inline constexpr int kModeChangedEvent = 1125;  // WM_USER + 101

// The gallery strip's context menu (menu 135) and its commands.
inline constexpr int kGalleryMenu = 135;
inline constexpr int kGalleryPreviewCommand = 32771;     // "Image &Preview"
inline constexpr int kGalleryAddImageCommand = 32772;    // "&Add Image..."
inline constexpr int kGalleryRenameCommand = 32773;      // "&Rename"
inline constexpr int kGallerySaveAsCommand = 32774;      // "&Save As..."
inline constexpr int kGalleryDeleteCommand = 32775;      // "&Delete"
inline constexpr int kGalleryRefreshCommand = 32776;     // "Refresh"
inline constexpr int kGalleryPropertiesCommand = 32777;  // "Pr&operties"
inline constexpr int kGallerySelectAllCommand = 32778;   // "S&elect All"

}  // namespace res
