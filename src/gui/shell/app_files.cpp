// The main window's File menu: new design windows, opening, saving and
// closing them, Exit (every design settled before the program closes), and
// the readers that fill a window from a file (Open, the imports of reports
// and Merge Trees).
#include "gui/shell/mdi_app.h"

#include "core/entries.h"
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "gui/core/dialogs.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/edit/tree_actions.h"
#include "gui/help/help_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeView>
#include <vector>

namespace qv::gui {

// ---------------------------------------------------------------- file commands

EditServices TMDIApp::EditServicesFor() {
    EditServices s;
    s.servers = svrDlg_;
    s.name = nameDlg_;
    s.move = moveDlg_;
    s.addresses = addrDlg_;
    s.create = createDlg_;
    s.classChooser = rptConfigDlg_;
    s.displayObjects = displayObjsDlg_;
    s.replicaReport = replicaRptDlg_;
    s.errorReport = errReportDlg_;
    s.printSource = [this](TMDIChild& c) { return PrintSourceFor(c); };
    return s;
}

TMDIChild* TMDIApp::CreateChild() {
    auto* child = new TMDIChild(this);
    child->AttachActions(std::make_unique<TreeActions>(*child, EditServicesFor()));
    // F1: the help window on the topic of the active page.
    if (helpDlg_)
        InstallHelpKey(child, *helpDlg_, [child] { return child->ActivePage(); });
    mdi_->addSubWindow(child);
    child->showMaximized();
    ActOn(child);
    // The new window takes the focus, also from a window that a closing file
    // dialog would hand it back to.
    QCoreApplication::processEvents();
    mdi_->setActiveSubWindow(child);
    child->TreeView1()->setFocus();
    return child;
}

void TMDIApp::New1Click() {
    TMDIChild* child = CreateChild();
    {
        TMDIChild::BusyScope busy(*child, true);
        NewDesign(child->Design(), untitledCounter_);
    }
    ++untitledCounter_;
    child->ApplyTexts();
    child->Tree().ExpandFirstLevel();
    AddToWindowList(child->windowTitle());
}

TMDIApp::ReaderRun TMDIApp::OpenRun() {
    return {ReaderWindow::Opened, DesignOpenDialogRequest(), nullptr,
            [](TMDIChild& c, const std::string& path) {
                return OpenDesign(c.Design(), path) ? ReadEnd::Done : ReadEnd::CloseWindow;
            },
            [](TMDIChild& c) {
                c.ApplyTexts();
                c.Tree().ExpandFirstLevel();
            }};
}

void TMDIApp::Open1Click() {
    RunReader(OpenRun());
}

void TMDIApp::OpenFiles(const QStringList& paths) {
    for (const QString& p : paths)
        RunReader(OpenRun(), ToPath(QFileInfo(p).absoluteFilePath()));
}

void TMDIApp::Save1Click() {
    Forward([](TMDIChild& c) {
        TMDIChild::BusyScope busy(c, false);
        SaveDesign(c.Design());
    });
}

void TMDIApp::SaveAs1Click() {
    Forward([](TMDIChild& c) {
        TMDIChild::BusyScope busy(c, false);
        SaveDesignAs(c.Design());
    });
}

void TMDIApp::Close1Click() {
    Forward([](TMDIChild& c) {
        if (c.FreeAll())
            c.close();
    });
}

void TMDIApp::Exit1Click() {
    if (ui_.AskYesNo("Are you sure you want to exit Quorvane?"))
        close();
}

void TMDIApp::closeEvent(QCloseEvent* event) {
    if (busy_ > 0) {
        event->ignore();
        return;
    }
    // All or nothing: every design is settled (each save question asked, each
    // save made) before any is freed; a cancel anywhere frees nothing.
    const QList<TMDIChild*> children = Children();
    std::vector<bool> drop(static_cast<std::size_t>(children.size()), false);
    for (qsizetype i = 0; i < children.size(); ++i) {
        bool d = false;
        if (!children[i]->SettleChanges(&d)) {
            event->ignore();
            return;
        }
        drop[static_cast<std::size_t>(i)] = d;
    }
    for (qsizetype i = 0; i < children.size(); ++i)
        children[i]->Free(drop[static_cast<std::size_t>(i)]);
    WriteSettings();
    mdi_->closeAllSubWindows();
    event->accept();
}

// ---------------------------------------------------------------- readers

void TMDIApp::RunReader(const ReaderRun& run, std::optional<std::string> path) {
    TMDIChild* child = nullptr;
    if (run.window == ReaderWindow::Active) {
        child = ActiveChild();
        if (!child || child->Busy())
            return;
    }
    if (!path)
        path = ui_.ChooseOpenFile(run.request);
    if (!path)
        return;
    if (run.window == ReaderWindow::Opened) {
        child = CreateChild();
        child->setWindowTitle(FromMessage(*path));
        AddToWindowList(child->windowTitle());
    } else if (run.window == ReaderWindow::New) {
        New1Click();
        child = ActiveChild();
        if (!child)
            return;
    }
    if (run.confirm && !run.confirm(*child, *path))
        return;
    ReadEnd end;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        TMDIChild::BusyScope busy(*child, true);
        end = run.read(*child, *path);
        QGuiApplication::restoreOverrideCursor();
    }
    if (end == ReadEnd::CloseWindow)
        child->close();
    if (end != ReadEnd::Done)
        return;
    if (run.done)
        run.done(*child);
    else
        child->RefreshTreePage();
    if (run.summary)
        SayWhatWasRead(*child, *path);
}

void TMDIApp::SayWhatWasRead(TMDIChild& child, const std::string& path) {
    TreeDesign& d = child.Design();
    std::size_t objects = 0;
    d.WalkSubtree(d.Root(), [&objects](ObjectNode* n) {
        objects += 1 + (n->Leaves() ? n->Leaves()->size() : 0);
        return true;
    });
    statusBar()->showMessage(FromMessage("Read " + std::string(LastPathComponent(path)) + ": " +
                                         std::to_string(d.partitions.Size()) + " partitions, " +
                                         std::to_string(d.servers.Size()) + " servers, " +
                                         std::to_string(objects) + " objects."));
}

std::function<TMDIApp::ReadEnd(TMDIChild&, const std::string&)> TMDIApp::ReportReader(bool ring) {
    return [ring](TMDIChild& c, const std::string& path) {
        ReportReadOutcome outcome;
        if (ReadReport(c.Design(), path, ring, &outcome))
            return ReadEnd::Done;
        // A file that could not be read leaves the window as it was.
        return outcome.ioError ? ReadEnd::KeepWindow : ReadEnd::CloseWindow;
    };
}

// The open dialog of the imports: report files first.
static FileDialogRequest ReportOpenDialogRequest() {
    FileDialogRequest r = DesignOpenDialogRequest();
    r.filter = "Report Files *.rpt|*.rpt|Text Files *.txt|*.txt|Any File *.*|*.*";
    return r;
}

void TMDIApp::ImportDSDiagReport1Click() {
    RunReader({ReaderWindow::New, ReportOpenDialogRequest(), nullptr, ReportReader(true),
               [](TMDIChild& c) {
                   c.SelectNode(c.Design().Root());
                   c.Tree().ExpandFirstLevel();
               },
               true});
}

void TMDIApp::ImportDSVersionReport1Click() {
    RunReader(
        {ReaderWindow::Active, ReportOpenDialogRequest(), nullptr, ReportReader(false), {}, true});
}

void TMDIApp::ImportUserReport1Click() {
    RunReader({ReaderWindow::Active,
               ReportOpenDialogRequest(),
               nullptr,
               [](TMDIChild& c, const std::string& path) {
                   return ReadObjectReport(c.Design(), path) ? ReadEnd::Done : ReadEnd::CloseWindow;
               },
               {},
               true});
}

void TMDIApp::MergeTrees1Click() {
    MergeOutcome outcome;
    RunReader({ReaderWindow::Active, DesignOpenDialogRequest(),
               [this](TMDIChild& c, const std::string& path) {
                   return ui_.AskYesNo(MergeConfirmationText(path, c.Design().designFileName));
               },
               [&outcome](TMDIChild& c, const std::string& path) {
                   MergeDesignFile(c.Design(), path, &outcome);
                   return ReadEnd::Done;
               },
               [this, &outcome](TMDIChild& c) {
                   if (outcome.errorCount != 0) {
                       QStringList lines;
                       for (const std::string& line : outcome.errorReport)
                           lines << FromMessage(line);
                       errReportDlg_->TreeReport()->setPlainText(lines.join(QLatin1Char('\n')));
                       errReportDlg_->ShowTreeReport();
                   }
                   c.RefreshTreePage();
               }});
}

} // namespace qv::gui
