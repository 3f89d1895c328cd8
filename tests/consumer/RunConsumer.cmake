# Drives the consumer test: cmake -DSTEP=install|find_package|pkg-config|readme -DBUILD_DIR=...
# -DPREFIX=... -DSOURCE_DIR=... -DWORK_DIR=... -P RunConsumer.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${rc}): ${command}")
  endif()
endfunction()

if(STEP STREQUAL "install")
  file(REMOVE_RECURSE ${PREFIX})
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
  return()
endif()

# Configured afresh each run, as a new user would: a folder kept from an earlier build holds
# flags the library no longer gives (or did not yet give).
set(build ${WORK_DIR}/${STEP})
file(REMOVE_RECURSE ${build})
set(source ${SOURCE_DIR})
set(options -DKV_PREFIX=${PREFIX} -DCMAKE_BUILD_TYPE=Release)
set(program ${build}/consumer)
if(STEP STREQUAL "readme")
  # The README's CMake lines exactly as written, in the smallest project around them, configured
  # as the README says.
  file(READ ${SOURCE_DIR}/../../README.md readme_text)
  if(NOT readme_text MATCHES "```cmake\n([^`]*)```")
    message(FATAL_ERROR "README.md has no cmake example")
  endif()
  set(source ${WORK_DIR}/readme-project)
  file(REMOVE_RECURSE ${source})
  file(WRITE ${source}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)\n"
    "project(my_app LANGUAGES CXX)\nadd_executable(my_app ${SOURCE_DIR}/ReadmeApp.cpp)\n"
    "${CMAKE_MATCH_1}")
  set(options -DCMAKE_PREFIX_PATH=${PREFIX})
  set(program ${build}/my_app)
elseif(STEP STREQUAL "pkg-config")
  file(GLOB_RECURSE pc ${PREFIX}/kelvara.pc)
  get_filename_component(pcdir "${pc}" DIRECTORY)
  list(APPEND options -DKV_VIA_PKGCONFIG=ON -DKV_PKGCONFIG_DIR=${pcdir})
  set(ENV{PKG_CONFIG_PATH} "${pcdir}")
else()
  list(APPEND options -DCMAKE_PREFIX_PATH=${PREFIX})
endif()
run(${CMAKE_COMMAND} -S ${source} -B ${build} -G Ninja ${options})
run(${CMAKE_COMMAND} --build ${build} -j2)
set(ENV{QT_QPA_PLATFORM} offscreen)
# The installed Designer plugin loads with no library path at all, and Designer finds it with
# the plugin path the docs give.
file(GLOB_RECURSE plugin ${PREFIX}/*/qt6/plugins/designer/*.so)
if(plugin AND NOT STEP STREQUAL "readme")
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${build}/load-plugin ${plugin})
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH QT_PLUGIN_PATH=${PREFIX}/lib/qt6/plugins
    ${build}/load-plugin)
endif()
# A program of a custom prefix finds the library through the library path (or a run path).
file(GLOB_RECURSE libs ${PREFIX}/libkelvara.so)
get_filename_component(libdir "${libs}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
run(${program})
if(STEP STREQUAL "pkg-config")
  # The library directory pkg-config gives is a plain path, as a user copies it into a run path.
  execute_process(COMMAND pkg-config --variable=libdir kelvara OUTPUT_VARIABLE pc_libdir
    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  get_filename_component(clean "${pc_libdir}" REALPATH)
  if(NOT rc EQUAL 0 OR NOT pc_libdir STREQUAL clean OR NOT pc_libdir STREQUAL libdir)
    message(FATAL_ERROR "pkg-config libdir '${pc_libdir}' is not the plain '${libdir}'")
  endif()
endif()
