// What the editing commands use of the application: its shared dialogs, made
// once by the main window, and the printing of a design window.
#pragma once

#include "gui/print/print_commands.h"

#include <functional>

namespace qv::gui {

class TAddrDlg;
class TDLG_CREATE;
class TErrReportDlg;
class TFM_DISPLAYOBJS;
class TFM_RPTCONFIG;
class TFRM_REPLICARPT;
class TMDIChild;
class TMoveDlg;
class TNewNameDlg;
class TSvrDlg;

struct EditServices {
    TSvrDlg* servers = nullptr;
    TNewNameDlg* name = nullptr;
    TMoveDlg* move = nullptr;
    TAddrDlg* addresses = nullptr;
    TDLG_CREATE* create = nullptr;
    TFM_RPTCONFIG* classChooser = nullptr;
    TFM_DISPLAYOBJS* displayObjects = nullptr;
    TFRM_REPLICARPT* replicaReport = nullptr;
    TErrReportDlg* errorReport = nullptr;
    std::function<PrintSource(TMDIChild&)> printSource;
};

} // namespace qv::gui
