// What the gallery list asks of the window that owns it (the main view).
#pragma once

#include <QString>

class CGalleryHost {
public:
    virtual ~CGalleryHost() = default;

    // Shows the file of gallery item `index` in the active picture pane.
    virtual void PreviewGalleryItem(int index) = 0;
    // Where captures and added images go, ending in a separator.
    virtual QString SaveFolder() const = 0;
};
