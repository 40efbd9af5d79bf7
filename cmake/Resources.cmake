# vel_add_program_resources(target
#     VERSION a.b.c.d PRODUCT text DESCRIPTION text COPYRIGHT text TRADEMARKS text
#     [COMPANY text] [ICONS file...] [BITMAPS name file...] [NO_MANIFEST])
#   Compiles a generated resource script into target:
#   - the manifest (RT_MANIFEST 1): common controls 6.0 and asInvoker, no DPI
#     awareness; left out with NO_MANIFEST;
#   - VERSIONINFO 1 with the strings under "040904E4" and the Translation
#     pair 0x0409, 0x04E4 from which that key is built;
#   - ICONS: the first is MAINICON, the others get the ids 1, 2, ...;
#   - BITMAPS: bitmap resources by name.
set(VEL_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

# A resource script string: quotes doubled, backslashes kept literal.
function(_vel_rc_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\"\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# A file name for a resource script.
function(_vel_rc_path out file)
  get_filename_component(file "${file}" ABSOLUTE)
  _vel_rc_string(quoted "${file}")
  set(${out} "${quoted}" PARENT_SCOPE)
endfunction()

function(_vel_manifest_lines out target version description)
  set(VEL_MANIFEST_NAME "Velmor.${target}")
  set(VEL_MANIFEST_VERSION "${version}")
  set(VEL_MANIFEST_DESCRIPTION "${description}")
  set(manifest "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
  configure_file(${VEL_RESOURCES_DIR}/templates/program.manifest.in "${manifest}" @ONLY)
  _vel_rc_path(path "${manifest}")
  set(${out} "1 24 ${path}\n" PARENT_SCOPE)
endfunction()

function(vel_add_program_resources target)
  cmake_parse_arguments(R "NO_MANIFEST"
                        "VERSION;PRODUCT;DESCRIPTION;COPYRIGHT;TRADEMARKS;COMPANY"
                        "ICONS;BITMAPS" ${ARGN})
  if(NOT R_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "vel_add_program_resources(${target}): VERSION a.b.c.d expected")
  endif()
  set(numbers "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${CMAKE_MATCH_4}")
  set(rc "")
  set(depends "")
  if(NOT R_NO_MANIFEST)
    _vel_manifest_lines(lines ${target} "${R_VERSION}" "${R_DESCRIPTION}")
    string(APPEND rc "${lines}")
    list(APPEND depends "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
  endif()

  set(id 0)
  foreach(icon ${R_ICONS})
    _vel_rc_path(path "${icon}")
    if(id EQUAL 0)
      string(APPEND rc "MAINICON ICON ${path}\n")
    else()
      string(APPEND rc "${id} ICON ${path}\n")
    endif()
    math(EXPR id "${id} + 1")
    list(APPEND depends "${icon}")
  endforeach()

  list(LENGTH R_BITMAPS count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "vel_add_program_resources(${target}): BITMAPS takes name file pairs")
  endif()
  while(R_BITMAPS)
    list(POP_FRONT R_BITMAPS name file)
    _vel_rc_path(path "${file}")
    string(APPEND rc "${name} BITMAP ${path}\n")
    list(APPEND depends "${file}")
  endwhile()

  get_target_property(output ${target} OUTPUT_NAME)
  if(NOT output)
    set(output ${target})
  endif()
  set(values "")
  foreach(pair "CompanyName;${R_COMPANY}" "FileDescription;${R_DESCRIPTION}"
               "FileVersion;${R_VERSION}" "InternalName;${output}"
               "LegalCopyright;${R_COPYRIGHT}" "LegalTrademarks;${R_TRADEMARKS}"
               "OriginalFilename;${output}.exe" "ProductName;${R_PRODUCT}"
               "ProductVersion;${R_VERSION}")
    list(GET pair 0 key)
    list(LENGTH pair n)
    set(value "")
    if(n GREATER 1)
      list(GET pair 1 value)
    endif()
    _vel_rc_string(quoted "${value}")
    string(APPEND values "      VALUE \"${key}\", ${quoted}\n")
  endforeach()
  string(APPEND rc
         "1 VERSIONINFO\n"
         "FILEVERSION ${numbers}\n"
         "PRODUCTVERSION ${numbers}\n"
         "FILEOS 0x40004\n"
         "FILETYPE 0x1\n"
         "BEGIN\n"
         "  BLOCK \"StringFileInfo\"\n"
         "  BEGIN\n"
         "    BLOCK \"040904E4\"\n"
         "    BEGIN\n"
         "${values}"
         "    END\n"
         "  END\n"
         "  BLOCK \"VarFileInfo\"\n"
         "  BEGIN\n"
         "    VALUE \"Translation\", 0x0409, 0x04E4\n"
         "  END\n"
         "END\n")

  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_program.rc")
  file(CONFIGURE OUTPUT "${script}" CONTENT "${rc}")
  set_source_files_properties("${script}" PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE "${script}")
endfunction()

# Test programs that create windows: only the manifest, so their controls are
# the classes the programs load.
function(vel_add_manifest target)
  _vel_manifest_lines(lines ${target} "1.0.0.0" "${target}")
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc")
  file(CONFIGURE OUTPUT "${script}" CONTENT "${lines}")
  set_source_files_properties("${script}" PROPERTIES OBJECT_DEPENDS
                              "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
  target_sources(${target} PRIVATE "${script}")
endfunction()
