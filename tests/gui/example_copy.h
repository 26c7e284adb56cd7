// The example designs as the desktop tests open them: a copy in a folder of
// the test program's own, so that programs running at the same time never
// meet each other's lock on the same file.
#pragma once

#include <QString>

namespace qv::gui::test {

// The path of a copy of examples/NAME (made once per program).
QString ExampleCopy(const char* name);

} // namespace qv::gui::test
