#include "edit/object_sorting.h"

#include "core/design_change.h"

namespace qv {

void SortObjects(TreeDesign& design) {
    DesignChange operation(design, "Sort Objects");
    design.view().SetObjectLabelsVisible(false);
    design.progress().Show(ProgressChannel::Import, "  Sorting Objects..");
    design.progress().Pump();
    design.SortAllChildren();
    design.view().SetObjectLabelsVisible(true);
    design.progress().Show(ProgressChannel::Import, "");
    operation.Touch(kTouchOrder).Commit();
}

void SetDefaultSorting(TreeDesign& design, bool on) {
    if (!on) {
        design.SetKeepSorted(false);
        return;
    }
    SortObjects(design);
    design.SetKeepSorted(true);
}

} // namespace qv
