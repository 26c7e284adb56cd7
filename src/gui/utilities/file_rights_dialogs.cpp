#include "gui/utilities/file_rights_dialogs.h"

#include "core/entries.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/named.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_hosts.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/core/workspace.h"
#include "gui/print/print_commands.h"
#include "gui/utilities/rights_run.h"
#include "netware/directory_entries.h"
#include "platform/tree_connections.h"
#include "platform/utility_settings.h"
#include "utilities/file_effective_rights.h"
#include "utilities/nds_rights.h"
#include "utilities/rights_standin.h"
#include "utilities/rights_wait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

namespace qv::gui {

namespace {

constexpr int kRowTextRole = Qt::UserRole + 1;
constexpr int kRelativeRole = Qt::UserRole + 2;

QString Q(std::string_view s) {
    return FromModel(s);
}

// The folders directly below a folder, sorted without regard to case.
std::vector<std::string> SubFolders(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec)
        return out;
    for (const auto& e : it) {
        std::error_code de;
        if (e.is_directory(de))
            out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) <
               0;
    });
    return out;
}

} // namespace

// ---------------------------------------------------------------- TFRM_FSRIGHTS

TFRM_FSRIGHTS::TFRM_FSRIGHTS(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFRM_FSRIGHTS"));
    setWindowTitle(QStringLiteral("Find File System Rights To..."));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    DriveComboBox1 = MakeNamed<QComboBox>(this, "DriveComboBox1");
    layout->addWidget(DriveComboBox1);
    DirLabel = MakeNamed<QLabel>(this, "DirLabel");
    layout->addWidget(DirLabel);
    DirectoryListBox1 = MakeNamed<QListWidget>(this, "DirectoryListBox1");
    DirectoryListBox1->setMinimumSize(280, 220);
    DirectoryListBox1->setIconSize(QSize(ImageList::kIconSize, ImageList::kIconSize));
    layout->addWidget(DirectoryListBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    BTN_OK = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    BTN_CANCEL = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    buttons->addWidget(BTN_OK);
    buttons->addWidget(BTN_CANCEL);
    layout->addLayout(buttons);
    connect(BTN_OK, &QPushButton::clicked, this, &TFRM_FSRIGHTS::BTN_OKClick);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &QDialog::reject);
    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            &TFRM_FSRIGHTS::DriveComboBox1Change);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this,
            &TFRM_FSRIGHTS::DirectoryListBox1DblClick);
}

TFRM_FSRIGHTS& TFRM_FSRIGHTS::Instance(QWidget* parent) {
    return OneInstance<TFRM_FSRIGHTS>(parent);
}

void TFRM_FSRIGHTS::Prepare(std::string context, std::vector<std::string> leaves) {
    context_ = std::move(context);
    leaves_ = std::move(leaves);
    lines_ = 0;
}

void TFRM_FSRIGHTS::SetDrives(const std::map<char, std::string>& folders) {
    const QString before = DriveComboBox1->currentText();
    folders_ = folders;
    {
        QSignalBlocker block(DriveComboBox1);
        DriveComboBox1->clear();
        for (const auto& [letter, folder] : folders_)
            DriveComboBox1->addItem(QString(QLatin1Char(letter)) + QLatin1Char(':'),
                                    QVariant(QLatin1Char(letter)));
        const int keep = DriveComboBox1->findText(before);
        DriveComboBox1->setCurrentIndex(keep >= 0 ? keep : 0);
    }
    BTN_OK->setEnabled(DriveComboBox1->count() > 0);
    DriveComboBox1Change();
}

void TFRM_FSRIGHTS::LoadDrives() {
    // The drive mappings name volume objects; their folders come from the
    // directory of the preferred tree connection, as RIGHTS finds them.
    const UtilitySettings settings = UtilitySettingsStore().Read().value_or({});
    const StoredTreeConnections stored = TreeConnectionStore().Read().value_or({});
    const nds::TreeConnection* chosen = stored.trees.empty() ? nullptr : &stored.trees.front();
    for (const nds::TreeConnection& c : stored.trees)
        if (c.name == stored.preferred)
            chosen = &c;
    nds::DirectoryEntries directory;
    const bool loaded = chosen && directory.Load(*chosen) == nds::kOk;
    const std::string base = chosen ? utilities::VolumeBaseFolder(*chosen) : std::string();
    std::map<char, std::string> folders;
    for (const auto& [letter, volume] : settings.drives) {
        folders[letter] =
            loaded ? utilities::VolumeFolder(directory, volume, base).value_or("") : std::string();
    }
    SetDrives(folders);
}

std::string TFRM_FSRIGHTS::Directory() const {
    const QString drive = DriveComboBox1->currentText();
    return ToModel(drive) + "\\" + relative_;
}

void TFRM_FSRIGHTS::ChangeDirectory(const std::string& relative) {
    relative_ = relative;
    FillDirectories();
}

void TFRM_FSRIGHTS::DriveComboBox1Change() {
    relative_.clear();
    FillDirectories();
}

// The list as a directory list box shows it: the drive's root, the folders
// down to the current one, each one step further in, and the current
// folder's own folders below it.
void TFRM_FSRIGHTS::FillDirectories() {
    DirectoryListBox1->clear();
    const QString drive = DriveComboBox1->currentText();
    DirLabel->setText(FromMessage(Directory()));
    if (drive.isEmpty())
        return;
    const char letter = static_cast<char>(DriveComboBox1->currentData().toChar().toLatin1());
    const auto it = folders_.find(letter);
    const std::string root = it == folders_.end() ? std::string() : it->second;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    auto add = [&](const QString& text, const std::string& relative, int depth, bool isOpen) {
        auto* item = new QListWidgetItem(isOpen ? open : closed,
                                         QString(depth * 2, QLatin1Char(' ')) + text);
        item->setData(kRelativeRole, QString::fromStdString(relative));
        DirectoryListBox1->addItem(item);
        return item;
    };
    QListWidgetItem* current = add(drive + QLatin1Char('\\'), "", 0, true);
    std::string path;
    int depth = 1;
    std::filesystem::path here = root;
    for (const std::string& part : utilities::SplitVolumePath(relative_)) {
        path += (path.empty() ? "" : "\\") + part;
        here /= part;
        current = add(QString::fromStdString(part), path, depth++, true);
    }
    DirectoryListBox1->setCurrentItem(current);
    if (root.empty())
        return;
    for (const std::string& sub : SubFolders(here))
        add(QString::fromStdString(sub), path + (path.empty() ? "" : "\\") + sub, depth, false);
}

void TFRM_FSRIGHTS::DirectoryListBox1DblClick() {
    QListWidgetItem* item = DirectoryListBox1->currentItem();
    if (item)
        ChangeDirectory(item->data(kRelativeRole).toString().toStdString());
}

void TFRM_FSRIGHTS::BTN_OKClick() {
    if (DriveComboBox1->count() == 0)
        return;
    const char letter = static_cast<char>(DriveComboBox1->currentData().toChar().toLatin1());
    if (!utilities::WriteFileRightsBatch(
            ".", utilities::FileRightsBatchText(context_, letter, Directory(), leaves_))) {
        lines_ = 0;
        reject();
        return;
    }
    lines_ = leaves_.size();
    accept();
}

// ---------------------------------------------------------------- TFRM_FSDISPLAYRIGHTS

TFRM_FSDISPLAYRIGHTS::TFRM_FSDISPLAYRIGHTS(const ImageList& images, QWidget* parent)
    : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFRM_FSDISPLAYRIGHTS"));
    setWindowTitle(QStringLiteral("File System Rights Report"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    PageControl1 = MakeNamed<QTabWidget>(this, "PageControl1");
    layout->addWidget(PageControl1, 1);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* first = new QVBoxLayout(TabSheet1);
    Panel2 = MakeNamed<QLabel>(TabSheet1, "Panel2", QStringLiteral("Context :"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    first->addWidget(Panel2);
    ListBox1 = MakeNamed<QListWidget>(TabSheet1, "ListBox1");
    ListBox1->setIconSize(QSize(ImageList::kIconSize, ImageList::kIconSize));
    first->addWidget(ListBox1, 1);
    PageControl1->addTab(TabSheet1, QStringLiteral("Selected Objects"));

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* second = new QGridLayout(TabSheet2);
    TreeView1 = MakeNamed<QTreeWidget>(TabSheet2, "TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    second->addWidget(TreeView1, 0, 0, 4, 1);
    second->addWidget(new QLabel(QStringLiteral("Object that has rights :"), TabSheet2), 0, 1);
    Edit1 = MakeNamed<QLineEdit>(TabSheet2, "Edit1");
    Edit1->setReadOnly(true);
    second->addWidget(Edit1, 0, 2);
    second->addWidget(new QLabel(QStringLiteral("Filters and Equivalences :"), TabSheet2), 1, 1);
    ListBox2 = MakeNamed<QListWidget>(TabSheet2, "ListBox2");
    for (const char* row : utilities::kFileRightsRows)
        ListBox2->addItem(QString::fromLatin1(row));
    ListBox2->setMaximumHeight(ListBox2->sizeHintForRow(0) * 4 + 8);
    second->addWidget(ListBox2, 1, 2);
    LabelRights = MakeNamed<QLabel>(TabSheet2, "LabelRights", QStringLiteral("Rights :"));
    second->addWidget(LabelRights, 2, 1, 1, 2);
    auto* marks = new QGridLayout;
    for (std::size_t i = 0; i < CB_MARKS.size(); ++i) {
        auto* mark =
            new QCheckBox(QString::fromLatin1(utilities::kFileRightsMarks[i].label), TabSheet2);
        mark->setObjectName(QStringLiteral("CB_MARK%1").arg(i + 1));
        mark->setChecked(true);
        mark->setEnabled(false);
        mark->setFocusPolicy(Qt::NoFocus);
        mark->setAttribute(Qt::WA_TransparentForMouseEvents);
        marks->addWidget(mark, static_cast<int>(i % 4), static_cast<int>(i / 4));
        CB_MARKS[i] = mark;
    }
    second->addLayout(marks, 3, 1, 1, 2);
    second->setColumnStretch(0, 1);
    PageControl1->addTab(TabSheet2, QStringLiteral("File System Rights"));

    PrintOkRow buttons = MakePrintOkRow(this);
    BTN_PRINT = buttons.print;
    BTN_OK = buttons.ok;
    layout->addLayout(buttons.row);
    resize(620, 420);

    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_PRINT, &QPushButton::clicked, this, &TFRM_FSDISPLAYRIGHTS::BTN_PRINTClick);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            &TFRM_FSDISPLAYRIGHTS::PageControl1Change);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            &TFRM_FSDISPLAYRIGHTS::TreeView1Change);
    connect(ListBox2, &QListWidget::currentRowChanged, this, &TFRM_FSDISPLAYRIGHTS::ListBox2Click);
}

TFRM_FSDISPLAYRIGHTS& TFRM_FSDISPLAYRIGHTS::Instance(const ImageList& images, QWidget* parent) {
    return OneInstance<TFRM_FSDISPLAYRIGHTS>(images, parent);
}

void TFRM_FSDISPLAYRIGHTS::SetContext(const std::string& context) {
    Panel2->setText(Q(context));
}

void TFRM_FSDISPLAYRIGHTS::SetObjects(const std::vector<std::string>& rows) {
    ListBox1->clear();
    for (const std::string& row : rows) {
        // The class icon of the number after 0xBC, then the name between the
        // first "*" and the first 0xBF.
        const std::size_t star = row.find('*');
        const std::string_view entry = star == std::string::npos
                                           ? std::string_view(row)
                                           : std::string_view(row).substr(star + 1);
        auto* item = new QListWidgetItem(QIcon(images_.ClassIcon(LeafClassIndex(entry))),
                                         Q(LeafListModel::RowLeafName(row)));
        item->setData(kRowTextRole, Q(row));
        ListBox1->addItem(item);
    }
}

void TFRM_FSDISPLAYRIGHTS::SetReports(utilities::FileRightsReports reports) {
    reports_ = std::move(reports);
}

void TFRM_FSDISPLAYRIGHTS::Clear() {
    reports_.clear();
    chain_.clear();
    ListBox1->clear();
    TreeView1->clear();
    deepest_ = nullptr;
    current_ = -1;
}

void TFRM_FSDISPLAYRIGHTS::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    {
        QSignalBlocker block(PageControl1);
        PageControl1->setCurrentIndex(0);
    }
    BTN_PRINT->hide();
    TabSheet1->setEnabled(true);
    TabSheet2->setEnabled(true);
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0);
    BuildHierarchy();
}

// The root takes the first entry's text; each further entry is a child of
// the node made before it; the deepest node is selected.
void TFRM_FSDISPLAYRIGHTS::BuildHierarchy() {
    QSignalBlocker block(TreeView1);
    TreeView1->clear();
    deepest_ = nullptr;
    chain_ = reports_.empty() ? std::vector<std::string>()
                              : utilities::FileRightsHierarchy(reports_.front());
    auto* root = new QTreeWidgetItem(TreeView1);
    root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    root->setText(0, chain_.empty() ? QString() : Q(chain_.front()));
    QTreeWidgetItem* parent = root;
    for (std::size_t i = 1; i < chain_.size(); ++i) {
        auto* node = new QTreeWidgetItem(parent);
        node->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        node->setText(0, Q(chain_[i]));
        parent = node;
    }
    deepest_ = parent;
    TreeView1->expandAll();
    TreeView1->setCurrentItem(deepest_);
}

std::size_t TFRM_FSDISPLAYRIGHTS::SelectedDepth() const {
    std::size_t depth = 0;
    for (QTreeWidgetItem* n = TreeView1->currentItem(); n && n->parent(); n = n->parent())
        ++depth;
    return depth;
}

void TFRM_FSDISPLAYRIGHTS::PageControl1Change(int page) {
    if (page != 1) {
        BTN_PRINT->hide();
        return;
    }
    TabSheet2->setEnabled(true);
    {
        QSignalBlocker block(TreeView1);
        if (deepest_)
            TreeView1->setCurrentItem(deepest_);
    }
    QListWidgetItem* selected = ListBox1->currentItem();
    const std::string name = selected ? ToModel(selected->text()) : std::string();
    Edit1->setText(Panel2->text() + QLatin1Char('.') + Q(name));
    current_ = -1;
    for (std::size_t i = 0; i < reports_.size(); ++i)
        if (reports_[i].objectName == name) {
            current_ = static_cast<int>(i);
            break;
        }
    if (current_ < 0) {
        TabSheet2->setEnabled(false);
        QtInteraction(this).Information(
            "The report generation for object : " + ToModel(Edit1->text()) + "\r" + "failed.");
        return;
    }
    {
        QSignalBlocker block(ListBox2);
        ListBox2->setCurrentRow(0);
    }
    ShowMarks();
    BTN_PRINT->show();
}

void TFRM_FSDISPLAYRIGHTS::TreeView1Change() {
    {
        QSignalBlocker block(ListBox2);
        ListBox2->setCurrentRow(0);
    }
    ShowMarks();
}

void TFRM_FSDISPLAYRIGHTS::ListBox2Click() {
    ShowMarks();
}

void TFRM_FSDISPLAYRIGHTS::ShowMarks() {
    for (QCheckBox* m : CB_MARKS)
        m->setEnabled(false);
    const int row = std::max(0, ListBox2->currentRow());
    LabelRights->setText(QString::fromLatin1(utilities::kFileRightsRows[std::size_t(row)]) +
                         QLatin1Char(':'));
    if (current_ < 0 || static_cast<std::size_t>(current_) >= reports_.size())
        return;
    const utilities::FileRightsMarksView view = utilities::FileRightsMarksFor(
        reports_[static_cast<std::size_t>(current_)], chain_, SelectedDepth(), row);
    for (std::size_t i = 0; i < CB_MARKS.size(); ++i)
        CB_MARKS[i]->setEnabled(view.enabled[i]);
}

std::array<bool, 8> TFRM_FSDISPLAYRIGHTS::Marks() const {
    std::array<bool, 8> out{};
    for (std::size_t i = 0; i < CB_MARKS.size(); ++i)
        out[i] = CB_MARKS[i]->isEnabled();
    return out;
}

void TFRM_FSDISPLAYRIGHTS::BTN_PRINTClick() {
    // The form as shown, without its OK and Print buttons.
    PrintFormWithout(this, {BTN_OK, BTN_PRINT});
}

// ---------------------------------------------------------------- the command

void FileRights(TMDIChild& child) {
    Workspace& app = child.App();
    // Held from the batch file to the reading of the reports.
    utilities::WorkingFolderLock lock;
    std::string context;
    if (!BeginRightsCommand(child, lock, context))
        return;

    // The selected leaf objects in list order.
    const std::vector<std::string> rows = child.Tree().SelectedLeafRows();
    std::vector<std::string> leaves;
    for (const std::string& row : rows)
        leaves.emplace_back(LeafListModel::RowLeafName(row));
    if (leaves.empty())
        return;

    TFRM_FSRIGHTS& chooser = TFRM_FSRIGHTS::Instance(app.MainWindow());
    chooser.Prepare(context, leaves);
    chooser.LoadDrives();
    if (chooser.exec() != QDialog::Accepted || chooser.LinesWritten() == 0)
        return;
    const std::size_t n = chooser.LinesWritten();

    utilities::DeleteOldFileRightsReports(".");
    if (!RunRightsBatch(app, std::string(utilities::kFileRightsBatch), "RIGHTS"))
        return;

    utilities::FileRightsReports reports;
    if (!ReadRightsReports(app, n, utilities::FileRightsReportName,
                           [&reports](const std::string& name) {
                               return utilities::ParseFileRightsReport(name, reports);
                           }))
        return;
    if (reports.empty()) {
        app.Ui().Information("No reports were successfully imported.");
        return;
    }
    TFRM_FSDISPLAYRIGHTS& display = TFRM_FSDISPLAYRIGHTS::Instance(app.Images(), app.MainWindow());
    display.SetContext(context);
    display.SetObjects(rows);
    display.SetReports(std::move(reports));
    display.exec();
    display.Clear();
}

} // namespace qv::gui
