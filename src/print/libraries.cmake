# The PDF writer of the print subsystem embeds the program's pictures (the
# class icons and replica bitmaps that tools/gen_pictures draws into
# src/gui/resources) as byte arrays generated at configure time.
set(qv_picture_dir ${CMAKE_SOURCE_DIR}/src/gui/resources)
file(GLOB qv_print_pictures CONFIGURE_DEPENDS
  ${qv_picture_dir}/class_*.png
  ${qv_picture_dir}/MASTER.png ${qv_picture_dir}/RW.png ${qv_picture_dir}/RO.png
  ${qv_picture_dir}/SR.png ${qv_picture_dir}/SPRW.png ${qv_picture_dir}/SPRO.png)
list(SORT qv_print_pictures)
set(qv_pictures_src ${CMAKE_BINARY_DIR}/generated/print_pictures.cpp)
set(qv_pictures_text "// Generated from src/gui/resources at configure time.\n")
string(APPEND qv_pictures_text "#include \"print/picture_data.h\"\n\nnamespace qv {\nnamespace {\n")
set(qv_pictures_table "")
set(qv_picture_n 0)
foreach(png IN LISTS qv_print_pictures)
  get_filename_component(name ${png} NAME_WE)
  file(READ ${png} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(APPEND qv_pictures_text "const unsigned char kPicture${qv_picture_n}[] = {${hex}};\n")
  string(APPEND qv_pictures_table
    "    {\"${name}\", kPicture${qv_picture_n}, sizeof kPicture${qv_picture_n}},\n")
  math(EXPR qv_picture_n "${qv_picture_n} + 1")
endforeach()
string(APPEND qv_pictures_text "} // namespace\n\nconst EmbeddedPicture kEmbeddedPictures[] = {\n")
string(APPEND qv_pictures_text "${qv_pictures_table}};\n")
string(APPEND qv_pictures_text
  "const std::size_t kEmbeddedPictureCount = ${qv_picture_n};\n\n} // namespace qv\n")
file(CONFIGURE OUTPUT ${qv_pictures_src} CONTENT "${qv_pictures_text}" @ONLY)
target_sources(qv_print PRIVATE ${qv_pictures_src})
