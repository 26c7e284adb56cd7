#include "gui/core/pages/page_layouts.h"

namespace qv::gui {

const GridPageParts kPartitionGridPage = {
    {{{"RB_PARTXSERV", "&Partition X Server View", "Adv_PartCols", kPartXServGrid},
      {"RB_SERVXPART", "&Server X Partition View", "Adv_ServCols", kServXPartGrid},
      {"RB_SERVXADDR", "Server X &Address View", "Adv_AddrCols", kServXAddrGrid}}},
    {"Label4", "ED_FONTSIZE", "UpDown1", "SB_SAVEDLM"},
    "PNL_GRID",
    "BTN_CANCEL3",
    false};

const GridPageParts kObjectGridPage = {
    {{{"RB_PartObjView", "&Partition Object View   ", "Adv_ObjXPartCols", kPartObjGrid},
      {"RB_ServObjView", "&Server Object View", "Adv_ObjXServCols", kServObjGrid},
      {"RB_CntObjView", "&Container Object View", "Adv_ObjXCntCols", kContObjGrid}}},
    {"Label8", "ED_FONTSIZE2", "UpDown2", "SB_SAVEDLM2"},
    "Panel7",
    "BTN_CANCEL4",
    true};

TextPageParts ReportsPage() {
    return {{
                {"RB_PARTITION", "Report by &Partition", "RE_PARTRPT", kPartitionReport},
                {"RB_SERVER", "Report by &Server", "RE_SERVRPT", kServerReport},
                {"RB_PARTREL", "Partition &Relation Report", "RE_PARTRELRPT", kRelationReport},
                {"RB_SchemaRpt", "Schema &Distribution List Report", "RE_SCHEMARPT", kSchemaReport},
                {"RB_OBJRPT", "&Object Report", "RE_OBJRPT", kObjectReport},
            },
            "PNL_REPORT",
            "BTN_CANCEL",
            {"Label5", "Label6", "Label7"}};
}

TextPageParts SuggestionsPage() {
    return {{
                {"RB_SUGSERVER", "&Server Suggestions", "RE_SERVSUGG", kServerSuggestions},
                {"RB_SUGPART", "&Partition Suggestions", "RE_PARTSUGG", kPartitionSuggestions},
                {"RB_SUGOBJ", "&Object Suggestions", "RE_OBJSUGG", kObjectSuggestions},
            },
            "PNL_SUGG",
            "BTN_CANCEL2",
            {}};
}

} // namespace qv::gui
