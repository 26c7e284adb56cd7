// What the design windows and the dialogs of the areas may ask of the
// application window: the shared interaction and pictures, the warning
// settings, the active design window, the busy cursor and the Window List.
// The main window provides it; no area knows the main window itself.
#pragma once

class QString;
class QWidget;

namespace qv {
struct WarningSettings;
}

namespace qv::gui {

class ImageList;
class QtInteraction;
class TMDIChild;

class Workspace {
public:
    virtual ~Workspace() = default;

    // The application's main window (parent of its boxes, keeper of the focus).
    virtual QWidget* MainWindow() = 0;
    virtual QtInteraction& Ui() = 0;
    virtual const ImageList& Images() const = 0;
    virtual const WarningSettings& Settings() const = 0;
    virtual TMDIChild* ActiveChild() const = 0;
    virtual void SetBusy(bool busy) = 0;

    // ---- told by the design windows ----
    virtual void UpdateEditActions() = 0;
    virtual void ChildPageChanged(TMDIChild* child, int page) = 0;
    virtual void ReplaceInWindowList(const QString& oldCaption, const QString& newCaption) = 0;
    virtual void RemoveFromWindowList(const QString& caption) = 0;
};

} // namespace qv::gui
