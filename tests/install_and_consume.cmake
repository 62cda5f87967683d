# Installs the build in BUILD_DIR into a fresh prefix and builds CONSUMER against it through
# find_package(tarn) and through pkg-config, then once more with libtarn's SOURCE_DIR as a
# subproject, with the compiler CXX and its flags CXX_FLAGS (-stdlib=libc++ for a libc++ build).
# Every program must run. The prefix holds a space, as a user's folders may.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix "${WORK_DIR}/pre fix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${output}")
  endif()
  message(STATUS "${output}")
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix "${prefix}")
# The tool and its manual come with the library.
file(GLOB man_page "${prefix}/share/man/man1/tarn-info.1")
if(NOT man_page)
  message(FATAL_ERROR "no manual page for tarn-info under ${prefix}/share/man/man1")
endif()

run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK_DIR}/cmake -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_PREFIX_PATH=${prefix}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
run(${WORK_DIR}/cmake/consumer)

run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK_DIR}/subproject -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" -DTARN_SOURCE=${SOURCE_DIR})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/subproject)
run(${WORK_DIR}/subproject/consumer)

file(GLOB_RECURSE pc_file "${prefix}/*/tarn.pc")
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs tarn OUTPUT_VARIABLE flags RESULT_VARIABLE result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
# The include directory plainly, as a compiler and pkg-config's system-directory test see it, its
# space escaped.
string(REPLACE " " "\\ " escaped_prefix "${prefix}")
string(FIND "${flags}" "-I${escaped_prefix}/include -L" at)
if(NOT result EQUAL 0 OR NOT at EQUAL 0)
  message(FATAL_ERROR "pkg-config --cflags --libs tarn: '${flags}', not -I${escaped_prefix}/include")
endif()
separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS} ${flags}")
run(${CXX} ${CONSUMER}/main.cpp ${flags} -o ${WORK_DIR}/pkg-consumer)
string(REGEX REPLACE "/pkgconfig$" "" libdir "${pc_dir}")
run(${CMAKE_COMMAND} -E env "LD_LIBRARY_PATH=${libdir}" ${WORK_DIR}/pkg-consumer)
# The installed tool finds its library from where it is, with no help from the environment: also
# when the build was configured for /usr and installed elsewhere (with FROM_USR: a build more).
run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH "${prefix}/bin/tarn-info" --version)
if(NOT FROM_USR)
  return()
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/usr -G Ninja -DCMAKE_INSTALL_PREFIX=/usr
    -DTARN_TESTS=OFF -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/usr --target tarn-info)
run(${CMAKE_COMMAND} --install ${WORK_DIR}/usr --prefix ${WORK_DIR}/elsewhere)
run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${WORK_DIR}/elsewhere/bin/tarn-info --version)
