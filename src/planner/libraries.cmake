# The replica planner's mixed-integer solver: COIN-OR CBC (Debian: coinor-libcbc-dev).
find_package(PkgConfig REQUIRED)
pkg_check_modules(QV_CBC REQUIRED IMPORTED_TARGET cbc)
# The solver's headers are not written for -Wall -Wextra -Werror.
get_target_property(qv_cbc_includes PkgConfig::QV_CBC INTERFACE_INCLUDE_DIRECTORIES)
set_target_properties(PkgConfig::QV_CBC PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "")
target_include_directories(qv_planner SYSTEM PRIVATE ${qv_cbc_includes})
target_link_libraries(qv_planner PUBLIC PkgConfig::QV_CBC)
