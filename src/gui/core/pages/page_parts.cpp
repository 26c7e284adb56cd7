#include "gui/core/pages/page_parts.h"

#include "gui/core/panels.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

namespace qv::gui {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, bool checked) {
    auto* rb = new QRadioButton(QString::fromLatin1(caption), parent);
    rb->setObjectName(QLatin1String(name));
    rb->setChecked(checked);
    return rb;
}

StatusRow AddStatusRow(QWidget* page, QBoxLayout* layout, const char* panelName,
                       const char* abortName, bool withHint, bool enabled) {
    StatusRow row;
    row.panel = new StatusPanel(QLatin1String(panelName), page);
    row.abort = new QPushButton(QStringLiteral("Abort"), page);
    row.abort->setObjectName(QLatin1String(abortName));
    if (withHint)
        row.abort->setToolTip(QStringLiteral("Abort Report..."));
    row.abort->setEnabled(enabled);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(row.panel, 1);
    bottom->addWidget(row.abort);
    layout->addLayout(bottom);
    return row;
}

} // namespace qv::gui
