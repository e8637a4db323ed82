# Installs the build into a scratch prefix, then builds and runs consumers of the installed
# files only: a CMake project (find_package, C and C++), a C program built with pkg-config and
# the Python package imported from the prefix.
# Inputs: BUILD_DIR WORK_DIR CONSUMER_DIR C_COMPILER CXX_COMPILER GENERATOR PKG_CONFIG PYTHON
#         PYTHON_INSTALL_DIR SANITIZE PRELOAD
cmake_minimum_required(VERSION 3.20)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " cmd "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(required include/QelTexLib.h include/qeltexlib/Texture.h include/qeltexlib/QelTString.h
                 include/qeltexlib/Codecs/ETC/ETCDecompress.h)
  if(NOT EXISTS ${prefix}/${required})
    message(FATAL_ERROR "the install lacks ${required}")
  endif()
endforeach()

set(flags "")
if(SANITIZE)
  set(flags "-fsanitize=address,undefined")
endif()

# CMake consumer: find_package(QelTexLib) with only the prefix to go on.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_C_FLAGS=${flags}" "-DCMAKE_CXX_FLAGS=${flags}"
    "-DCMAKE_EXE_LINKER_FLAGS=${flags}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-consumer)
run(${WORK_DIR}/cmake-consumer/consumer_c)
run(${WORK_DIR}/cmake-consumer/consumer_cxx)

# pkg-config consumer: the same C program, flags from qeltexlib.pc alone.
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} "")
  file(GLOB pcdir LIST_DIRECTORIES true ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
  string(REPLACE ";" ":" pcdir "${pcdir}")
  set(ENV{PKG_CONFIG_LIBDIR} "${pcdir}")
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs qeltexlib
    RESULT_VARIABLE rc OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know qeltexlib in ${pcdir}")
  endif()
  execute_process(COMMAND ${PKG_CONFIG} --variable=libdir qeltexlib
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  separate_arguments(extra UNIX_COMMAND "${flags}")
  run(${C_COMPILER} ${extra} ${CONSUMER_DIR}/consumer.c -o ${WORK_DIR}/pkgconfig_consumer
      ${pc_flags} -Wl,-rpath,${libdir})
  run(${WORK_DIR}/pkgconfig_consumer)
  # The static C++ library through qeltexcore.pc.
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs qeltexcore
    RESULT_VARIABLE rc OUTPUT_VARIABLE core_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know qeltexcore in ${pcdir}")
  endif()
  separate_arguments(core_flags UNIX_COMMAND "${core_flags}")
  run(${CXX_COMPILER} -std=c++17 ${extra} ${CONSUMER_DIR}/consumer.cpp
      -o ${WORK_DIR}/pkgconfig_consumer_cxx ${core_flags})
  run(${WORK_DIR}/pkgconfig_consumer_cxx)
else()
  message(STATUS "pkg-config not found: the pkg-config consumer was skipped")
endif()

# Python: the installed package finds the installed library by itself.
if(PYTHON)
  set(env PYTHONPATH=${prefix}/${PYTHON_INSTALL_DIR} QELTEX_LIBRARY= PYTHONDONTWRITEBYTECODE=1)
  if(PRELOAD)
    list(APPEND env LD_PRELOAD=${PRELOAD} ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=1)
  endif()
  # No semicolons: they would split the argument into a list.
  set(code "import os, qeltex
t = qeltex.Texture.from_bytes(bytes(range(64)), 4, 4)
assert t.data() == bytes(range(64))
where = os.path.realpath(qeltex.library_path())
assert where.startswith(os.path.realpath('${prefix}')), where
print('python consumer: ok,', where)")
  run(${CMAKE_COMMAND} -E env ${env} ${PYTHON} -c "${code}")
endif()
