#include "gui/core/pages/grid_export.h"

#include "files/design_file.h"
#include "gui/core/qt_text.h"

#include <QFileInfo>

namespace qv::gui {

std::optional<std::string> ChooseDelimitedFile(Interaction& ui) {
    FileDialogRequest request;
    request.filter = "Delimited File *.dlm|*.dlm|Any File *.*|*.*";
    request.defaultExt = "dlm";
    request.pathMustExist = true;
    std::optional<std::string> path = ui.ChooseSaveFile(request);
    if (!path || !QFileInfo::exists(FromMessage(*path)))
        return path;
    Result<std::string> bytes = ReadWholeFile(*path);
    DesignFileContents contents;
    bool design = bytes && ParseDesignFile(*bytes, contents) == ParseStatus::Ok;
    std::string question = design ? *path + " is a design file.\rReplace the design with the "
                                            "delimited file?"
                                  : *path + " already exists.\rDo you want to replace it?";
    if (!ui.AskYesNo(question))
        return std::nullopt;
    return path;
}

} // namespace qv::gui
