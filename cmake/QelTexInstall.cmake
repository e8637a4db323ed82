# Install rules: the shared and static libraries, the C header, the C++ headers, a CMake
# package (QelTexLib::QelTexLib, QelTexLib::QelTexCore) and a pkg-config file (qeltexlib.pc).
#
# Layout under the prefix:
#   lib/libQelTexLib.so, lib/libQelTexCore.a        (CMAKE_INSTALL_LIBDIR)
#   include/QelTexLib.h                              C interface
#   include/qeltexlib/...                            C++ headers (Library/Source tree and tools/)
#   lib/cmake/QelTexLib/QelTexLibConfig*.cmake       find_package(QelTexLib)
#   lib/pkgconfig/qeltexlib.pc, qeltexcore.pc        pkg-config
# Every file locates the prefix relative to itself, so `cmake --install build --prefix P`
# works for any P chosen at install time.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QELTEX_CXX_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/qeltexlib)
set(QELTEX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QelTexLib)
set(QELTEX_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR})

install(TARGETS QelTexLib EXPORT QelTexLibTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The static core is built from an object library whose include paths point into the source
# tree, so it is not exported; the package file declares it as an imported target instead.
install(TARGETS QelTexCore ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(FILES ${CMAKE_SOURCE_DIR}/wrapper/QelTexLib.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# C++ headers keep their folders: code includes "Texture.h" and "Codecs/ETC/ETCDecompress.h"
# relative to one root, as inside the library.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Library/Source/ DESTINATION ${QELTEX_CXX_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/tools/ DESTINATION ${QELTEX_CXX_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")

install(EXPORT QelTexLibTargets NAMESPACE QelTexLib:: DESTINATION ${QELTEX_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QelTexLibConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/QelTexLibConfig.cmake
  INSTALL_DESTINATION ${QELTEX_CMAKE_PACKAGE_DIR}
  PATH_VARS QELTEX_INSTALL_LIBDIR QELTEX_CXX_INCLUDEDIR)
# 0.x releases promise nothing across minor versions.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/QelTexLibConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/QelTexLibConfig.cmake
  ${CMAKE_BINARY_DIR}/package/QelTexLibConfigVersion.cmake
  DESTINATION ${QELTEX_CMAKE_PACKAGE_DIR})

# pkg-config: prefix taken relative to the .pc file's own folder.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QELTEX_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(QELTEX_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH _qeltex_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" _qeltex_up "${_qeltex_up}")
  set(QELTEX_PC_PREFIX "\${pcfiledir}/${_qeltex_up}")
  set(QELTEX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QELTEX_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(QELTEX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
foreach(pc qeltexlib qeltexcore)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${CMAKE_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/${pc}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
