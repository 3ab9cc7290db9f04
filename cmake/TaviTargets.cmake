# Library targets export only their own folder. Each gets an include root of its own in the
# build tree holding a link to its source folder, so that its headers are included as
# "folder/Header.h" and a target cannot include the headers of a library it does not link.
# A folder that holds other targets' folders (the engine core's holds power/, run/ and
# simulation/) is exported with OWN_HEADERS: a link to each of its own headers, so that the
# folders inside stay with their targets.
function(tavi_export_folder target folder)
  cmake_parse_arguments(ARG "OWN_HEADERS" "" "" ${ARGN})
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  if(ARG_OWN_HEADERS)
    # A build tree configured before may hold a link to the whole folder here, which the
    # header links must not go through into the sources; links of headers since removed go.
    if(IS_SYMLINK ${root}/${folder})
      file(REMOVE ${root}/${folder})
    endif()
    file(GLOB links ${root}/${folder}/*.h)
    if(links)
      file(REMOVE ${links})
    endif()
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
