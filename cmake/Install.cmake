# Installation: the library, its public headers under include/kelvara/, a CMake package
# (Kelvara::Controls) and a pkg-config file (kelvara).
include(CMakePackageConfigHelpers)

# Every header of the framework and the library is public unless it is internal.
file(GLOB KV_PUBLIC_HEADERS CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/framework/*.h ${PROJECT_SOURCE_DIR}/lib/*/*.h)
list(REMOVE_ITEM KV_PUBLIC_HEADERS ${KV_INTERNAL_HEADERS})

# Forwarding headers: <kelvara/KvMeter.h> works in the build tree as once installed.
foreach(header IN LISTS KV_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  file(CONFIGURE OUTPUT ${KV_BUILD_INCLUDE_DIR}/kelvara/${name}
    CONTENT "#include \"${header}\"\n" @ONLY)
endforeach()

# Kelvara.h: every public header, for forms that name controls of any family (the Designer
# plugin's include file).
set(kv_umbrella "// Every public header of the library.\n#pragma once\n\n")
foreach(header IN LISTS KV_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  string(APPEND kv_umbrella "#include \"${name}\"\n")
endforeach()
file(CONFIGURE OUTPUT ${KV_BUILD_INCLUDE_DIR}/kelvara/Kelvara.h CONTENT "${kv_umbrella}" @ONLY)

set(KV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kelvara)
install(TARGETS KvControls EXPORT KelvaraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KV_PUBLIC_HEADERS} ${KV_BUILD_INCLUDE_DIR}/kelvara/KvExport.h
  ${KV_BUILD_INCLUDE_DIR}/kelvara/Kelvara.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kelvara)
install(EXPORT KelvaraTargets NAMESPACE Kelvara:: DESTINATION ${KV_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KelvaraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KelvaraConfig.cmake INSTALL_DESTINATION ${KV_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KelvaraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KelvaraConfig.cmake
  ${PROJECT_BINARY_DIR}/KelvaraConfigVersion.cmake DESTINATION ${KV_CMAKE_DIR})

# The pkg-config file names the prefix the installation really goes to (`--prefix` included),
# as plain absolute paths.
install(CODE "
  set(KV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(PROJECT_VERSION ${PROJECT_VERSION})
  set(CMAKE_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
  set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/kelvara.pc\")
  message(STATUS \"Installing: \${pc}\")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/kelvara.pc.in \${pc} @ONLY)
")
