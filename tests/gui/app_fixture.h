// The desktop program as its tests drive it: the main window with its dialogs,
// shown, and the script that answers the boxes it opens. At the end every
// design's changes are dropped (no save questions on the way out) and the
// script must have met no box it did not expect.
#pragma once

#include "modal_script.h"

#include "core/tree_design.h"
#include "gui/core/mdi_child.h"
#include "gui/shell/mdi_app.h"

#include <QObject>
#include <QTest>

#include <memory>

namespace qv::gui::test {

class AppTest : public QObject {
protected:
    struct Start {
        bool sized = false;   // 1000 by 700 pixels
        bool exposed = false; // waits until the window is on the screen
    };
    void StartApp(Start how) {
        script_ = std::make_unique<ModalScript>();
        app_ = std::make_unique<TMDIApp>(0);
        app_->CreateDialogs();
        if (how.sized)
            app_->resize(1000, 700);
        app_->show();
        if (how.exposed)
            QVERIFY(QTest::qWaitForWindowExposed(app_.get()));
    }
    void FinishApp() {
        for (TMDIChild* c : app_->Children())
            c->Design().DropChanges();
        app_.reset();
        QVERIFY2(script_->unexpected.isEmpty(), qPrintable(script_->unexpected.join(" | ")));
        script_.reset();
    }

    std::unique_ptr<TMDIApp> app_;
    std::unique_ptr<ModalScript> script_;
};

} // namespace qv::gui::test
