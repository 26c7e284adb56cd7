// The object names and captions of the design window's grid and text pages.
#pragma once

#include "gui/core/pages/grid_page.h"
#include "gui/core/pages/text_page.h"

namespace qv::gui {

// TAB_GRIDVIEW: Partition X Server, Server X Partition, Server X Address.
extern const GridPageParts kPartitionGridPage;
// TAB_OBJVIEW: the partition, server and container object grids.
extern const GridPageParts kObjectGridPage;
// TAB_REPORTS and TAB_SUGGESTIONS.
TextPageParts ReportsPage();
TextPageParts SuggestionsPage();

} // namespace qv::gui
