#include "gui/edit/tree_commands.h"

#include "core/class_table.h"
#include "edit/object_operations.h"
#include "edit/partition_operations.h"
#include "edit/server_addresses.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/core/workspace.h"
#include "gui/edit/address_dialogs.h"
#include "gui/edit/edit_dialogs.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/reports/display_objs_dlg.h"
#include "gui/reports/replica_report_dlg.h"
#include "reports/individual_reports.h"
#include "reports/leaf_commands.h"

#include <QTextEdit>

namespace qv::gui {

using Busy = TMDIChild::BusyScope;

TreeCommands::TreeCommands(TMDIChild& child, const EditServices& services)
    : child_(child), services_(services) {}

TreePage& TreeCommands::Page() {
    return child_.Tree();
}

ObjectNode* TreeCommands::Selected() {
    return Page().SelectedNode();
}

std::optional<std::string> TreeCommands::AskName(const std::string& current) {
    TNewNameDlg& dlg = *services_.name;
    dlg.Prepare(QStringLiteral("Enter in name: "), FromModel(current));
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return ToModel(dlg.Name());
}

// ---------------------------------------------------------------- enabling

bool TreeCommands::SelectedIsServer() {
    ObjectNode* n = Selected();
    return n && n->ClassIndex() == kClassServer;
}

bool TreeCommands::SelectedIsContainer() {
    ObjectNode* n = Selected();
    return n && IsContainerClass(n->ClassIndex());
}

// The rules are the operations' own; the window only names the selection.

bool TreeCommands::CanCreateObject() {
    return qv::CanCreateObjects(Selected());
}

bool TreeCommands::CanDeleteObject() {
    return qv::CanDeleteObject(Selected());
}

bool TreeCommands::CanRenameObject() {
    return qv::CanRenameObject(Selected());
}

bool TreeCommands::CanCreatePartition() {
    return qv::CanCreatePartition(Selected());
}

bool TreeCommands::CanMergePartition() {
    return qv::CanMergePartition(Selected());
}

bool TreeCommands::CanAddReplica() {
    return qv::CanAddReplica(Selected());
}

bool TreeCommands::CanMoveObject() {
    return qv::CanMoveObject(Selected());
}

std::size_t TreeCommands::ReplicaRows() {
    return static_cast<std::size_t>(Page().ReplicaRowCount());
}

bool TreeCommands::CanDeleteReplica() {
    return qv::CanDeleteReplica(ReplicaRows(), Page().SelectedReplica());
}

bool TreeCommands::CanChangeReplica() {
    return qv::CanChangeReplicaType(ReplicaRows(), Page().SelectedReplica());
}

// ---------------------------------------------------------------- the tree

void TreeCommands::CreateObject() {
    ObjectNode* node = Selected();
    if (!node || !CanCreateObject())
        return;
    TFM_RPTCONFIG& chooser = *services_.classChooser;
    chooser.BeginFor(TFM_RPTCONFIG::Purpose::CreateObject);
    std::optional<ClassSet> chosen;
    if (chooser.exec() == QDialog::Accepted)
        chosen = chooser.SelectedClasses();
    TDLG_CREATE& dlg = *services_.create;
    const ImageList& images = child_.App().Images();
    Busy busy(child_, true);
    CreateObjects(child_.Design(), node, chosen,
                  [&dlg, &images](int classIndex) -> std::optional<CreateObjectInput> {
                      dlg.Prepare(FromModel(ClassName(classIndex)), images.ClassIcon(classIndex));
                      if (dlg.exec() != QDialog::Accepted)
                          return std::nullopt;
                      return CreateObjectInput{dlg.Name(), dlg.CreateAnother()};
                  });
}

void TreeCommands::RunOnSelected(bool (TreeCommands::*allowed)(),
                                 bool (*operation)(TreeDesign&, ObjectNode*)) {
    ObjectNode* node = Selected();
    if (!node || (allowed && !(this->*allowed)()))
        return;
    Busy busy(child_, true);
    operation(child_.Design(), node);
}

void TreeCommands::DeleteObject() {
    RunOnSelected(nullptr, qv::DeleteObject);
}

void TreeCommands::RenameObject() {
    ObjectNode* node = Selected();
    if (!node || !CanRenameObject())
        return;
    std::optional<std::string> name = AskName(node->Name());
    Busy busy(child_, true);
    qv::RenameObject(child_.Design(), node, name);
}

void TreeCommands::MoveObject() {
    ObjectNode* node = Selected();
    if (!node || !CanMoveObject())
        return;
    TMoveDlg& dlg = *services_.move;
    dlg.Prepare(FromModel(child_.Design().FullContext(node)));
    std::optional<std::string> destination;
    if (dlg.exec() == QDialog::Accepted)
        destination = dlg.Destination();
    Busy busy(child_, true);
    qv::MoveObject(child_.Design(), node, destination);
}

void TreeCommands::CreatePartition() {
    RunOnSelected(&TreeCommands::CanCreatePartition, qv::CreatePartition);
}

void TreeCommands::MergePartition() {
    RunOnSelected(&TreeCommands::CanMergePartition, qv::MergePartition);
}

void TreeCommands::AddReplica() {
    ObjectNode* node = Selected();
    if (!node || !CanAddReplica())
        return;
    TSvrDlg& dlg = *services_.servers;
    dlg.Prepare(AddReplicaSetup(child_.Design()));
    std::optional<AddReplicaInput> input;
    if (dlg.exec() == QDialog::Accepted) {
        input.emplace();
        input->server = dlg.Server();
        input->type = dlg.Selected().value_or(ReplicaRadio::ReadWrite);
    }
    Busy busy(child_, true);
    qv::AddReplica(child_.Design(), node, input);
}

void TreeCommands::Drop(ObjectNode* dragged, ObjectNode* target) {
    Busy busy(child_, true);
    DropObject(child_.Design(), dragged, target);
}

void TreeCommands::EditServer() {
    ObjectNode* node = Selected();
    if (!node || !CanEditServer(node))
        return;
    TAddrDlg& dlg = *services_.addresses;
    dlg.Run(child_.Design(), node);
    if (!dlg.Changed())
        return;
    Busy busy(child_, false);
    ApplyAddressDialog(child_.Design(), node, dlg.Lines(), true);
}

void TreeCommands::IndividualReport() {
    ObjectNode* node = Selected();
    if (!node)
        return;
    TErrReportDlg& dlg = *services_.errorReport;
    dlg.TreeReport()->clear();
    child_.SetObjectLabelsVisible(false);
    TextLines lines;
    bool done;
    {
        Busy busy(child_, false);
        child_.Design().SetAbortRequested(false);
        done = BuildIndividualReport(child_.Design(), child_.App().Settings(), node, lines);
    }
    if (done) {
        dlg.TreeReport()->setPlainText(FromModel(lines.Joined()));
        dlg.ShowTreeReport();
    }
    child_.SetObjectLabelsVisible(true);
    child_.Show(ProgressChannel::Import, "");
}

void TreeCommands::FindServer() {
    TNewNameDlg& dlg = *services_.name;
    dlg.Prepare(QStringLiteral("Enter in name: "));
    if (dlg.exec() != QDialog::Accepted)
        return;
    std::string name = ToModel(dlg.Name());
    if (ObjectNode* n = child_.Design().FindPartitionOrServerNode(name, false))
        Page().SelectNode(n);
    else
        child_.App().Ui().Information("Server: " + name + " does not exist.");
}

void TreeCommands::ClearDSVersions() {
    Busy busy(child_, false);
    if (qv::ClearDSVersions(child_.Design()))
        Page().Refresh();
}

void TreeCommands::ClearServerAddresses() {
    Busy busy(child_, false);
    if (qv::ClearServerAddresses(child_.Design()))
        Page().Refresh();
}

// ---------------------------------------------------------------- the replica list

void TreeCommands::DeleteReplica() {
    ObjectNode* node = Selected();
    if (!node || !CanDeleteReplica())
        return;
    std::string item = Page().SelectedReplica();
    Busy busy(child_, true);
    qv::DeleteReplica(child_.Design(), node, item);
}

void TreeCommands::DeleteReplicaKey() {
    if (Page().ReplicaRowCount() == 0)
        return;
    ObjectNode* node = Selected();
    if (!node)
        return;
    std::string item = Page().SelectedReplica();
    Busy busy(child_, true);
    qv::DeleteReplicaKey(child_.Design(), node, ReplicaRows(), item);
}

void TreeCommands::ChangeType() {
    ObjectNode* node = Selected();
    if (!node || !CanChangeReplica())
        return;
    std::string item = Page().SelectedReplica();
    TSvrDlg& dlg = *services_.servers;
    Busy busy(child_, false); // the replica lists change, the tree does not
    ChangeReplicaType(child_.Design(), node, item,
                      [&dlg](const ReplicaDialogSetup& setup) -> std::optional<ReplicaRadio> {
                          dlg.Prepare(setup);
                          if (dlg.exec() != QDialog::Accepted)
                              return std::nullopt;
                          return dlg.Selected();
                      });
}

void TreeCommands::GotoObject() {
    std::string entry = Page().SelectedReplica();
    if (entry.empty())
        return;
    std::string name(EntryName(entry));
    // A server's rows name partitions; a partition's rows name servers.
    bool partitionMode = SelectedIsServer();
    Page().SelectNode(child_.Design().FindPartitionOrServerNode(name, partitionMode));
}

void TreeCommands::ReplicaReport() {
    ObjectNode* node = Selected();
    if (!node || Page().ReplicaRowCount() == 0)
        return;
    TFRM_REPLICARPT& dlg = *services_.replicaReport;
    dlg.Prepare(BuildReplicaReport(child_.Design(), node));
    dlg.exec();
}

// ---------------------------------------------------------------- the subordinate list

void TreeCommands::GotoLeafObject() {
    ObjectNode* node = Selected();
    std::string row = Page().FocusedLeafRow();
    if (!node || row.empty())
        return;
    if (ObjectNode* target = qv::GotoObject(child_.Design(), node, row))
        Page().SelectNode(target);
}

void TreeCommands::ReportObjects() {
    ObjectNode* node = Selected();
    if (!node || Page().LeafRowCount() == 0)
        return;
    child_.SetObjectLabelsVisible(false);
    TFM_RPTCONFIG& chooser = *services_.classChooser;
    chooser.BeginFor(TFM_RPTCONFIG::Purpose::ReportObjects);
    if (chooser.exec() == QDialog::Accepted) {
        std::vector<std::string> rows = Page().LeafRows();
        std::optional<ObjectSearchResult> result;
        {
            Busy busy(child_, false);
            result = CollectReportObjects(child_.Design(), node, rows, chooser.SelectedClasses());
        }
        if (result) {
            TFM_DISPLAYOBJS& dlg = *services_.displayObjects;
            dlg.Prepare(*result, node->ClassIndex(), node->IsPartitionRoot());
            dlg.exec();
        }
    }
    child_.SetObjectLabelsVisible(true);
    child_.Show(ProgressChannel::Import, "");
}

void TreeCommands::DeleteLeafObjects() {
    ObjectNode* node = Selected();
    std::vector<std::string> entries = Page().SelectedLeafEntries();
    if (!node || entries.empty())
        return;
    Busy busy(child_, true);
    qv::DeleteLeafObjects(child_.Design(), node, entries);
}

void TreeCommands::MoveLeafObjects() {
    ObjectNode* node = Selected();
    std::vector<std::string> entries = Page().SelectedLeafEntries();
    if (!node || entries.empty())
        return;
    TMoveDlg& dlg = *services_.move;
    Busy busy(child_, true);
    qv::MoveLeafObjects(child_.Design(), node, entries,
                        [&dlg](const std::string& from) -> std::optional<std::string> {
                            dlg.Prepare(FromModel(from));
                            if (dlg.exec() != QDialog::Accepted)
                                return std::nullopt;
                            return dlg.Destination();
                        });
}

void TreeCommands::RenameLeafObject() {
    ObjectNode* node = Selected();
    std::vector<std::string> entries = Page().SelectedLeafEntries();
    if (!node || entries.size() != 1)
        return;
    std::optional<std::string> name = AskName(std::string(LeafName(entries.front())));
    Busy busy(child_, true);
    qv::RenameLeafObject(child_.Design(), node, entries.front(), name);
}

} // namespace qv::gui
