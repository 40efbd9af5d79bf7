# vel_add_forms(target form...)
#   Links each form description (text, UTF-8) into target as an RCDATA
#   resource named after the form's class in upper case, which is where the
#   component reader looks for it. The class is the one of the file's first
#   "object Name: TClass" line.
function(vel_add_forms target)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_forms.rc")
  set(lines "")
  set(forms "")
  foreach(form ${ARGN})
    get_filename_component(form "${form}" ABSOLUTE)
    file(STRINGS "${form}" header REGEX "^[ \t]*object[ \t]" LIMIT_COUNT 1)
    if(NOT header MATCHES "object[ \t]+([A-Za-z_][A-Za-z0-9_]*[ \t]*:[ \t]*)?([A-Za-z_][A-Za-z0-9_]*)")
      message(FATAL_ERROR "${form}: no 'object Name: TClass' line")
    endif()
    string(TOUPPER "${CMAKE_MATCH_2}" resource)
    string(APPEND lines "${resource} RCDATA \"${form}\"\n")
    list(APPEND forms "${form}")
  endforeach()
  file(CONFIGURE OUTPUT "${rc}" CONTENT "${lines}")
  # The class name is taken at configure time; the contents at build time.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${forms})
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${forms}")
  target_sources(${target} PRIVATE "${rc}")
endfunction()
