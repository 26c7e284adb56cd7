# Where the installed program's data files are (FindDataFile): the install
# prefix's share/quorvane, compiled in.
target_compile_definitions(qv_utilities PRIVATE
  QV_INSTALLED_DATA_DIR="${CMAKE_INSTALL_FULL_DATADIR}/quorvane")
