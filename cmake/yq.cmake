# Helpers shared by the subsystem folders.

# A library of portable code (no windows.h): built in every configuration.
function(yq_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# A library of Win32 code for yanqing.exe: built only for Windows. Its objects
# are linked into the program.
function(yq_win_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  set_property(GLOBAL APPEND PROPERTY YQ_PROGRAM_LIBS ${name})
endfunction()

# The program: the entry point and resources in app/ plus every Win32 library.
function(yq_define_program)
  get_property(libs GLOBAL PROPERTY YQ_PROGRAM_LIBS)
  get_property(srcs GLOBAL PROPERTY YQ_PROGRAM_SOURCES)
  add_executable(yanqing WIN32 ${srcs})
  target_include_directories(yanqing PRIVATE ${CMAKE_SOURCE_DIR})
  # Each library names what it needs, so the linker gets them in an order
  # that resolves: a call against the layers is an undefined symbol here.
  target_link_libraries(yanqing PRIVATE ${libs})
  if(YQ_RELEASE)
    # The static runtime libraries bring their debug information along: the
    # exe a user downloads carries neither that nor a symbol table.
    target_link_options(yanqing PRIVATE -s)
    yq_release_checks()
    yq_release_package()
  endif()
endfunction()

# The zip users download, made by the target `dist` (scripts/package.sh
# builds it for both releases): YQ_DIST_DIR/yanqing-<version>-<arch>.zip and
# its .sha256, holding this tree's yanqing.exe, 使用说明.txt and the licence
# notices of what the exe links.
set(YQ_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "where the target dist writes the release zip")
function(yq_release_package)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(arch win64)
  else()
    set(arch win32)
  endif()
  set(zip ${YQ_DIST_DIR}/yanqing-${PROJECT_VERSION}-${arch}.zip)
  set(YQ_DIST_ZIP ${zip} CACHE INTERNAL "the zip the target dist makes (scripts/package.sh reads it)")
  set(packer ${CMAKE_SOURCE_DIR}/scripts/make_package.py)
  add_custom_command(OUTPUT ${zip} ${zip}.sha256
                     COMMAND python3 ${packer} --exe $<TARGET_FILE:yanqing>
                             --version ${PROJECT_VERSION} --arch ${arch} --out ${zip}
                     DEPENDS yanqing ${packer} ${CMAKE_SOURCE_DIR}/resources/package/使用说明.txt
                     VERBATIM)
  add_custom_target(dist DEPENDS ${zip})
  # The zip holds what it should, as bytes a Windows archiver reads: the
  # very exe of this tree, GBK names, GBK text with CRLF, each notice; and
  # made twice it is the same bytes.
  add_test(NAME release.package
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/release/package_test.py ${packer}
                   $<TARGET_FILE:yanqing> ${PROJECT_VERSION} ${arch})
  set_tests_properties(release.package PROPERTIES LABELS release TIMEOUT 120)
endfunction()

# The release build's own tests: the program has no debug sections, no test
# code and imports only Windows DLLs, and the check refuses a file that
# breaks all three rules (the toolchain's own libstdc++ DLL, with a test
# switch's name put in it), naming what it refuses.
function(yq_release_checks)
  set(check ${CMAKE_SOURCE_DIR}/cmake/check-release-exe.sh)
  add_test(NAME release.yanqing_exe COMMAND ${check} $<TARGET_FILE:yanqing> ${CMAKE_OBJDUMP})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE probe OUTPUT_STRIP_TRAILING_WHITESPACE)
  add_test(NAME release.check_names_what_it_refuses
           COMMAND sh -c [[
bad=$(mktemp) && cp "$1" "$bad" && printf 'YQ_TEST_FONT_SCOPE' >> "$bad" || exit 1
out=$("$0" "$bad" "$2" 2>&1)
rc=$?
rm -f "$bad"
printf '%s\n' "$out"
test "$rc" = 1 &&
printf '%s' "$out" | grep -q 'debug sections: [.]debug_' &&
printf '%s' "$out" | grep -q 'test code: YQ_TEST_FONT_SCOPE' &&
printf '%s' "$out" | grep -q 'not part of Windows: libgcc_s_[a-z0-9]*-1[.]dll libwinpthread-1[.]dll'
]] ${check} ${probe} ${CMAKE_OBJDUMP})
  set_tests_properties(release.yanqing_exe release.check_names_what_it_refuses
                       PROPERTIES LABELS release TIMEOUT 60)

  # The project version in the title, the status line, the manifest and the
  # version resource (with its Chinese names), and no build time; and the
  # check names exactly what is wrong in a copy whose manifest says another
  # version, that holds a second, stale title and carries a link time.
  set(vcheck ${CMAKE_SOURCE_DIR}/cmake/check-release-version.py)
  add_test(NAME release.one_version
           COMMAND python3 ${vcheck} $<TARGET_FILE:yanqing> ${PROJECT_VERSION})
  add_test(NAME release.version_check_names_what_it_refuses
           COMMAND sh -c [[
bad=$(mktemp) || exit 1
python3 -c '
import struct, sys
exe, bad, file_version = sys.argv[1:]
data = bytearray(open(exe, "rb").read())
identity = ("name=\"Yanqing.FontManager\" version=\"%s\"" % file_version).encode()
at = data.index(identity) + len(identity) - len(file_version) - 1
other = "".join("8" if c == "9" else "9" if c.isdigit() else c for c in file_version)
data[at:at + len(other)] = other.encode()
pe = struct.unpack_from("<I", data, 0x3C)[0]
struct.pack_into("<I", data, pe + 8, 1600000000)
data += "砚青0.9".encode("gbk") + bytes(1)
open(bad, "wb").write(data)
' "$1" "$bad" "$3" || exit 1
out=$(python3 "$0" "$bad" "$2" 2>&1)
rc=$?
rm -f "$bad"
printf '%s\n' "$out"
test "$rc" = 1 &&
printf '%s' "$out" | grep -qF "title: ['0.9', '$2'], not ['$2']" &&
printf '%s' "$out" | grep -q "manifest: \['[0-9.]*'\], not \['$3'\]" &&
printf '%s' "$out" | grep -qF 'PE time stamp: 1600000000, not 0' &&
test "$(printf '%s\n' "$out" | grep -c ', not ')" = 3
]] ${vcheck} $<TARGET_FILE:yanqing> ${PROJECT_VERSION} ${YQ_FILE_VERSION})
  set_tests_properties(release.one_version release.version_check_names_what_it_refuses
                       PROPERTIES LABELS release TIMEOUT 60)
endfunction()

# Native unit test: one executable per subsystem, each case its own CTest test.
function(yq_unit_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR YQ_FUZZ OR NOT YQ_TESTS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE YQ_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS unit)
endfunction()

# Test under Wine: one executable, one CTest test, run in a fresh copy of the
# template prefix by cmake/wine-run.sh (the crosscompiling emulator).
function(yq_win_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32 OR NOT YQ_TESTS)
    return()
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 180)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME win.${name} COMMAND ${name})
  set_tests_properties(win.${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS win)
endfunction()

# libFuzzer target, built only in the fuzz configuration (clang). The test runs
# it for YQ_FUZZ_SECONDS over its seed folder.
set(YQ_FUZZ_SECONDS 20 CACHE STRING "seconds each fuzz target runs in the test command")
function(yq_fuzz_target name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(NOT YQ_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${name}
           COMMAND ${name} -max_total_time=${YQ_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=10
                   ${corpus} ${A_SEEDS})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 600 LABELS fuzz)
endfunction()
