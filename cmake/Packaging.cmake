# What the package carries besides the programs (the manual pages, compressed
# as Debian wants them; the copyright file and the Debian changelog; the
# examples), and the Debian package itself: scripts/package.sh runs cpack over
# a Release build. The package's dependencies are computed by dpkg-shlibdeps
# from the shared libraries the installed programs link.
find_program(QV_GZIP gzip REQUIRED)
set(qv_pkg_dir ${CMAKE_BINARY_DIR}/packaging)
set(qv_pkg_outputs "")
# gzip -n: no name and no time stamp in the header, so the files are the same
# in every build.
foreach(pair IN ITEMS "docs/man/quorvane.1;quorvane.1.gz" "docs/man/quorvane-cli.1;quorvane-cli.1.gz"
                      "packaging/debian/changelog;changelog.Debian.gz")
  list(GET pair 0 qv_in)
  list(GET pair 1 qv_out)
  add_custom_command(OUTPUT ${qv_pkg_dir}/${qv_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${qv_pkg_dir}
    COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${QV_GZIP} ${CMAKE_SOURCE_DIR}/${qv_in}
            ${qv_pkg_dir}/${qv_out}
    DEPENDS ${CMAKE_SOURCE_DIR}/${qv_in} VERBATIM)
  list(APPEND qv_pkg_outputs ${qv_pkg_dir}/${qv_out})
endforeach()
add_custom_target(qv_package_files ALL DEPENDS ${qv_pkg_outputs})

install(FILES ${qv_pkg_dir}/quorvane.1.gz ${qv_pkg_dir}/quorvane-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${qv_pkg_dir}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvane)
# The examples of the README (the example tree, its reports, designs and volume).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvane/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvane maintainers <maintainers@quorvane.example>")
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plan the partitions and replicas of an NDS tree")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvane reads the object tree, partitions and replicas of an NDS tree\n\
from reports or from a live directory, shows them as a tree, as grids and\n\
as reports, and lets a directory administrator plan changes: new\n\
partitions, replicas and objects, moves and merges, each checked against\n\
the rules of the tree before it is made.\n\
.\n\
The package holds the desktop program (quorvane), its command-line\n\
companion (quorvane-cli), the command interpreter and the stand-in\n\
console utilities, the directory schema and the examples.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# Everything the install rules take from the build folder, so that a package
# is built without the tests and benchmarks: cmake --build <dir> --target qv_installed.
add_custom_target(qv_installed DEPENDS quorvane-cli quorvane-cmd ${QV_STANDINS} qv_package_files)
if(TARGET quorvane)
  add_dependencies(qv_installed quorvane)
endif()
