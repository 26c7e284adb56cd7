#include "core/host.h"

namespace qv {

NullProgress& TheNullProgress() {
    static NullProgress progress;
    return progress;
}

NullInteraction& TheNullInteraction() {
    static NullInteraction ui;
    return ui;
}

DesignView& TheNullView() {
    static DesignView view;
    return view;
}

} // namespace qv
