# The directory client: OpenLDAP's client library (Debian: libldap-dev).
target_link_libraries(qv_netware PUBLIC ldap lber)

# The directory profiles (data/*.profile) are built into the library; a changed
# profile file makes CMake write the generated source again.
set(qv_profile_names quorvane standard ndsldap)
set(qv_profiles_source "// Generated from data/*.profile by src/netware/libraries.cmake.\n")
string(APPEND qv_profiles_source "#include <cstddef>\n#include <string_view>\nnamespace qv::nds {\n")
string(APPEND qv_profiles_source "struct ProfileText {\n    const char* name;\n    std::string_view text;\n};\n")
string(APPEND qv_profiles_source "extern const ProfileText kProfileTexts[];\nextern const std::size_t kProfileTextCount;\n")
string(APPEND qv_profiles_source "const ProfileText kProfileTexts[] = {\n")
set(qv_profile_count 0)
foreach(name IN LISTS qv_profile_names)
  set(file ${CMAKE_SOURCE_DIR}/data/${name}.profile)
  if(EXISTS ${file})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} qv_profile_text)
    string(APPEND qv_profiles_source "    {\"${name}\", R\"qvprofile(${qv_profile_text})qvprofile\"},\n")
    math(EXPR qv_profile_count "${qv_profile_count} + 1")
  endif()
endforeach()
string(APPEND qv_profiles_source "};\nconst std::size_t kProfileTextCount = ${qv_profile_count};\n} // namespace qv::nds\n")
file(WRITE ${CMAKE_BINARY_DIR}/generated/directory_profiles.cpp.new "${qv_profiles_source}")
configure_file(${CMAKE_BINARY_DIR}/generated/directory_profiles.cpp.new
               ${CMAKE_BINARY_DIR}/generated/directory_profiles.cpp COPYONLY)
target_sources(qv_netware PRIVATE ${CMAKE_BINARY_DIR}/generated/directory_profiles.cpp)
