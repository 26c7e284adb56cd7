#include "help/help_topics.h"

namespace qv {
namespace {

const char* const kImportRings =
    "Import Replica Ring Report\n"
    "\n"
    "Use this command when Search NDS Tree cannot read the tree (for example when the\n"
    "directory cannot be reached from this workstation). The report is made on one of\n"
    "the directory's servers with the server module DSDIAG.NLM and copied to this\n"
    "workstation.\n"
    "\n"
    "To make the report with DSDIAG:\n"
    "1. Load DSDIAG on a server that holds a replica of the [Root] partition.\n"
    "2. In \"Preferences\", \"Manage Naming Conventions\", set \"Delimiter Set\" to \"SLASH\" and\n"
    "   \"BASE DN\" to \"\\\".\n"
    "3. Choose \"Generate Reports\", \"List Replica Rings\".\n"
    "4. Retrieve the partition roots through NDS, with a search context that begins with\n"
    "   \"\\\" followed by the tree name, type Readable and depth Subtree.\n"
    "5. Read the replica rings from a single server.\n"
    "6. Enable the report file, choose the format Report and allow it to overwrite an\n"
    "   older file.\n"
    "7. Enable the attribute, replica and address menus and switch IPX and TCP on: these\n"
    "   are the only two protocols that Quorvane knows.\n"
    "8. Run the report and copy the report file to this workstation.\n"
    "9. In Quorvane choose Tree, Import Replica Ring Report and pick the file (the open\n"
    "   dialog lists \"Report Files *.rpt\").\n"
    "\n"
    "A new design window is made for the tree and fills while the report is read. A\n"
    "report with errors is refused: the message names the line and the column of the\n"
    "error. The report is plain text and may be corrected with any text editor and\n"
    "imported again.\n";

const char* const kCompareWith =
    "Compare With\n"
    "\n"
    "Compares the design in the active window with a Quorvane file chosen by the user.\n"
    "The window that opens lists every difference between the two designs: objects,\n"
    "partitions, replicas and servers that only one of them has or that differ.\n"
    "Selecting a difference selects its object in the design window, on the Tree View\n"
    "page.\n"
    "\n"
    "Save Plan... writes the plan to a text file: the operations (create, move,\n"
    "rename and delete objects, create and merge partitions, add, delete and change\n"
    "replicas) that turn the design in the active window into the other one, in an\n"
    "order in which they can be made. The design itself is not changed.\n";

const char* const kImportVersions =
    "Import DS Version Report\n"
    "\n"
    "This report adds the DS version and the network addresses of every server to the\n"
    "design in the active window. Import the replica ring report first: the servers of\n"
    "the version report must be in the design.\n"
    "\n"
    "To make the report with DSDIAG on one of the directory's servers:\n"
    "1. Prepare DSDIAG as for the replica ring report (\"Preferences\", \"Manage Naming\n"
    "   Conventions\": \"Delimiter Set\" \"SLASH\", \"BASE DN\" \"\\\").\n"
    "2. Choose \"Generate Reports\", \"Check NDS Versions\".\n"
    "3. Select the addresses IPX and TCP.\n"
    "4. Write the report to a file and copy it to this workstation.\n"
    "5. In Quorvane choose Tree, Import DS Version Report and pick the file.\n"
    "\n"
    "Errors are reported with the line and the column where they were found; the design\n"
    "is left as it was.\n";

const char* const kImportObjects =
    "Import Object Report\n"
    "\n"
    "The object report adds the subordinate (leaf) objects of every container to the\n"
    "design in the active window. It is the output of NLIST made at a command prompt of\n"
    "a workstation attached to the tree, after the replica ring report was imported:\n"
    "1. CX [Root]\n"
    "2. NLIST * /S > FILENAME\n"
    "3. In Quorvane choose Tree, Import Object Report and pick FILENAME.\n"
    "\n"
    "For a large tree the report can be long and the import takes a while. When the\n"
    "report holds an error, the import reports the line and the column of the error and\n"
    "stops; nothing of the report is kept. An object report is plain text and may also\n"
    "be written by hand in the same form.\n";

const char* const kSchemaCompare =
    "Server Schema Comparison\n"
    "\n"
    "Compares the schemas of the servers you choose, two at a time. Quorvane runs\n"
    "SCHCMP.EXE once for every pair of chosen servers and imports each report it\n"
    "writes (\"SRD[x].TXT\" in the current folder).\n"
    "\n"
    "1. Import the replica ring report first, so that the servers are in the design.\n"
    "2. SCHCMP.EXE must be found on the utility path. Quorvane installs a stand-in\n"
    "   SCHCMP that reads the schemas from the directory of the preferred tree\n"
    "   connection; the servers must be reachable there.\n"
    "3. Choose Tree, Server Schema Comparison, select the servers and press OK.\n"
    "4. Wait while the reports are made; the results are shown per server.\n"
    "\n"
    "A report that cannot be read is reported with its line and column.\n";

const char* const kReports =
    "Reports\n"
    "\n"
    "The reports on the Reports and Warnings/Suggestions pages explain themselves,\n"
    "except the schema distribution report.\n"
    "\n"
    "The schema distribution report lists, for every server, the servers that it\n"
    "synchronises its schema to. Servers that hold replicas at a higher replica depth\n"
    "(nearer to [Root]) synchronise the schema down to the servers that hold replicas\n"
    "only at a lower depth.\n"
    "\n"
    "Every report can be printed with File, Print (or saved as PDF through the print\n"
    "dialog's \"Print to file\").\n";

const char* const kVerifyDefault =
    "Verify User Default Server\n"
    "\n"
    "Checks whether the default server of every user holds a replica of the partition\n"
    "that holds the user.\n"
    "\n"
    "1. The tree of the loaded design must be the preferred tree connection of this\n"
    "   workstation (the tree connections are kept in the settings), and NLIST must be\n"
    "   found on the utility path (Quorvane installs a stand-in NLIST that reads the\n"
    "   users from the preferred tree connection).\n"
    "2. Import the replica ring report first; the object report is recommended.\n"
    "3. Choose Tree, Verify User Default Server and pick the context.\n"
    "4. Quorvane runs the NLIST query, which lists every user of the context and below\n"
    "   with the user's default server into \"DEFSRV.TXT\", and checks each default server\n"
    "   against the replicas of the user's partition.\n"
    "\n"
    "Errors in the NLIST output are reported with the line and the column.\n";

const char* const kPrint =
    "Print\n"
    "\n"
    "File, Print prints what the active page shows: the tree, the partition grid, the\n"
    "object grid, or the visible report or suggestion text. A print preview comes\n"
    "first; its \"Print...\" button opens the print dialog, where a printer, or \"Print to\n"
    "file\" for a PDF file, is chosen. The preview and the PDF show exactly what the\n"
    "printer gets.\n"
    "\n"
    "File, Print Mode chooses Graphical (the tree drawn with class images and lines,\n"
    "grids with replica images) or Text. Graphical printing asks whether to print a\n"
    "test page only. Graphical printing was tested on three laser printer models of\n"
    "the time; if graphical printing fails on your printer, print in Text mode.\n"
    "\n"
    "Graphical printing covers the tree view, the grid views and the object reports.\n"
    "Grid views can also be saved to delimited files with the button at the top right\n"
    "of the view. File, Print Screen prints the active window as it is on screen.\n"
    "quorvane-cli print writes the same printouts as PDF files from a terminal.\n";

const char* const kNdsRights =
    "NDS Rights\n"
    "\n"
    "Shows how objects got their rights to other objects of the tree.\n"
    "\n"
    "1. The tree of the design must be the preferred tree connection, and DSRIGHTS.EXE\n"
    "   must be found on the utility path (Quorvane installs a stand-in DSRIGHTS that\n"
    "   computes the effective rights from the directory of that connection).\n"
    "2. Import the replica ring and object reports first; the objects must exist in the\n"
    "   real tree.\n"
    "3. Select the source objects in the \"Subordinate Objects\" list.\n"
    "4. Choose Tree, Display Rights, NDS Rights.\n"
    "5. Browse to the target objects and press OK.\n"
    "\n"
    "DSRIGHTS writes \"#DSR#x.TXT\" files, which Quorvane reads and shows graphically.\n"
    "Errors are reported with the file and the line.\n";

const char* const kFileRights =
    "File Rights\n"
    "\n"
    "Shows how objects got their rights to a folder of a volume.\n"
    "\n"
    "1. The tree of the design must be the preferred tree connection, and RIGHTS.EXE\n"
    "   must be found on the utility path (Quorvane installs a stand-in RIGHTS).\n"
    "2. Import the replica ring and object reports first; the objects must exist in the\n"
    "   real tree.\n"
    "3. Select the source objects in the \"Subordinate Objects\" list.\n"
    "4. Choose Tree, Display Rights, File Rights.\n"
    "5. Choose the target subdirectory and press OK.\n"
    "\n"
    "RIGHTS writes \"#FSR#x.TXT\" files, which Quorvane reads and shows graphically.\n"
    "Errors are reported with the file and the line.\n";

const char* const kSearchTree =
    "Search NDS Tree\n"
    "\n"
    "Reads a tree that this workstation is connected to. The tree connections are kept\n"
    "in the settings: each has a name and the address of the directory (an LDAP server,\n"
    "ldap:// or ldaps://, or an LDIF file, ldif:); quorvane-cli trees lists and changes\n"
    "them.\n"
    "\n"
    "1. Choose Tree, Search NDS Tree and confirm.\n"
    "2. Pick the tree and press OK.\n"
    "3. All objects, partitions and replica rings are read and shown, and the servers\n"
    "   with their DS versions and addresses.\n"
    "\n"
    "Every error reported by the directory is written to the text file \"DSSEARCH.ERR\" in\n"
    "the program's current working folder. Error numbers from -100 to -800 are those\n"
    "of NDS.\n";

std::vector<HelpTopic> MakeTopics() {
    using K = HelpTopic::Kind;
    std::vector<HelpTopic> t;
    auto group = [&](const char* name, int level = 0) { t.push_back({name, level, K::Group, {}}); };
    auto shortTopic = [&](const char* name, const char* text, int level = 1) {
        t.push_back({name, level, K::Short, text});
    };
    auto longTopic = [&](const char* name, const char* text, int level = 1) {
        t.push_back({name, level, K::Long, text});
    };
    const char* const log = "Enables, views, and clears the Operation Log.";

    group("File");
    shortTopic("New", "Creates a new Quorvane File");
    shortTopic(
        "Open",
        "Opens a Quorvane file.  It will NOT open a Replica Ring or DS Version report file.");
    shortTopic("Save", "Saves the current window's data to a Quorvane file.");
    shortTopic("Save As",
               "Saves the current window's data to a Quorvane file specified by the user.");
    longTopic("Compare With", kCompareWith);
    longTopic("Print", kPrint);
    shortTopic("Close", "Closes the current window.");
    shortTopic("Exit", "Closes ALL windows and exits Quorvane.");

    group("Edit");
    shortTopic("Undo", "Takes back the last change of the active window's design; the menu item "
                       "names it (Ctrl+Z).  Up to 200 changes can be taken back, also after a "
                       "save.");
    shortTopic("Redo", "Makes the change that Undo took back once more (Ctrl+Y or Ctrl+Shift+Z).  "
                       "A new change ends what can be made again.");

    group("Search");
    shortTopic("Find Server", "Finds a server when \"Tree View\" is the active page.");
    shortTopic("Find Text",
               "Finds text when either \"Reports\" or \"Suggestions\" is the active page.");
    shortTopic("Find Object", "Finds an object in the \"Subordinate Objects\" list when \"Tree "
                              "View\" is the active page.");

    group("Tree");
    longTopic("Search NDS Tree", kSearchTree);
    longTopic("Import Replica Ring Report", kImportRings);
    longTopic("Import DS Version Report", kImportVersions);
    longTopic("Import Object Report", kImportObjects);
    longTopic("Server Schema Comparison", kSchemaCompare);
    longTopic("Verify User Default Server", kVerifyDefault);
    shortTopic("Create Partition", "Creates a partition on the currently selected container.");
    shortTopic("Merge Partition", "Merges the selected partition into its parent partition.");
    shortTopic("Add Replica",
               "Adds a replica of the selected partition to a server specified by the user.");
    shortTopic("Merge Trees",
               "Merges the data in one Quorvane file to another.  The TARGET tree is "
               "the active window, the SOURCE tree is the file specified by the "
               "user.");
    shortTopic("Create Object", "Adds a user specified object to the current context.");
    shortTopic("Delete Object", "Deletes the currently selected object.");
    shortTopic("Rename Object", "Renames the selected object to what the user specifies.");
    shortTopic("Move Object", "Moves the selected object to a new context specified by the user.  "
                              "This can also be done by dragging and dropping.");
    group("Display Rights", 1);
    longTopic("NDS Rights", kNdsRights, 2);
    longTopic("File Rights", kFileRights, 2);

    group("View");
    shortTopic("Collapse All", "Collapses all objects in the entire tree");
    shortTopic("Expand All", "Expands all objects in the entire tree");

    group("Replica");
    shortTopic("Delete", "Deletes the selected replica.");
    shortTopic("Change Type",
               "Changes type of the selected replca.  Read/Write and Read/Only replicas can be "
               "changed to Master, but Master or Sub/Ref replicas cannot be modified.");

    group("Options");
    shortTopic("Clear DS Versions", "Removes all DS Versions off of all servers in the tree.");
    shortTopic("Clear Server Addresses",
               "Removes all server addresses from all servers in the tree.");
    shortTopic("Sort Objects", "Sorts all objects in the tree.");
    shortTopic("Default Sorting",
               "Automatically sorts all objects in the tree after modifications.");
    shortTopic("Sort Grid View", "Sorts the active Grid View by the first column.");
    shortTopic("Enable Operation Log", log);
    shortTopic("View Operation Log", log);
    shortTopic("Clear Operation Log", log);
    shortTopic("Change Warning/Suggestion Settings",
               "Allows modifications and changes to the Warning and Suggestion settings.  These "
               "settings will be saved to the workstation's registry.");

    longTopic("Reports", kReports, 0);
    return t;
}

} // namespace

const std::vector<HelpTopic>& HelpTopics() {
    static const std::vector<HelpTopic> topics = MakeTopics();
    return topics;
}

const HelpTopic* FindHelpTopic(std::string_view name) {
    for (const HelpTopic& t : HelpTopics())
        if (t.name == name)
            return &t;
    return nullptr;
}

std::vector<std::string> HelpTextLines(std::string_view topic) {
    std::vector<std::string> lines;
    const HelpTopic* t = FindHelpTopic(topic);
    if (!t || t->kind == HelpTopic::Group)
        return lines;
    if (t->kind == HelpTopic::Short) {
        lines.push_back(t->text);
        return lines;
    }
    std::string_view text = t->text;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view HelpTopicForPage(int page) {
    switch (page) {
    case 0:
        return "Import Replica Ring Report";
    case 1:
    case 2:
        return "Sort Grid View";
    case 3:
        return "Reports";
    case 4:
        return "Change Warning/Suggestion Settings";
    default:
        return "Reports";
    }
}

} // namespace qv
