// Widgets made with the object names the program's texts use (tests and the
// accessibility tree find them by these names).
#pragma once

#include <QLatin1String>
#include <QPointer>
#include <utility>

namespace qv::gui {

// new T(args..., parent), named. MakeNamed<QLabel>(this, "Label1", text)
// makes a label with its text; MakeNamed<QListWidget>(this, "ListBox1") a list.
template <typename T, typename Parent, typename... Args>
T* MakeNamed(Parent* parent, const char* name, Args&&... args) {
    auto* object = new T(std::forward<Args>(args)..., parent);
    object->setObjectName(QLatin1String(name));
    return object;
}

// The one window of its kind: made on first use with these arguments, made
// again after it was deleted (with its parent), otherwise the same one.
template <typename Window, typename... Args> Window& OneInstance(Args&&... args) {
    static QPointer<Window> instance;
    if (!instance)
        instance = new Window(std::forward<Args>(args)...);
    return *instance;
}

} // namespace qv::gui
