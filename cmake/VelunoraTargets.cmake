# Compile and link settings shared by the targets of both trees, and the
# helpers that declare tests.

function(velunora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

if(VELUNORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz tree (clang only): every library carries libFuzzer's coverage
# hooks and both sanitizers; the fuzz targets alone link libFuzzer's main.
if(VELUNORA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Everything Windows builds is self-contained: the C and C++ runtimes are
  # linked in, so a clean machine needs nothing beside the file itself.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # liblzma is linked as a static library, so its declarations must not ask
  # for DLL imports.
  add_compile_definitions(LZMA_API_STATIC)
endif()

# ---- Size of the shipped programs ------------------------------------------
# Every user downloads setup.exe, so its code is kept as small as it goes
# (the windows tree is built with -Os):
# - no unwind tables: nothing throws, and on x86-64 they cost two sections
#   of their own (.pdata, .xdata), each padded to the file alignment;
# - no compiler banner in every object, no symbol table, no time stamp in the
#   header (ld would write SOURCE_DATE_EPOCH or the time of the link), so two
#   links of the same objects give the same bytes;
# - the link drops every section nothing refers to. Our own objects keep all
#   their functions in one section: they hold little that goes unused, and
#   a section per function would pad each to 16 bytes. liblzma, whose
#   objects hold much that the decoder never calls, is built with a section
#   per function instead (bootstrap.sh).
# The relocations (.reloc) stay: the image must remain relocatable for
# address-space layout randomisation.
# - the code of the shipped programs is optimised across its objects at link
#   time: the layers call each other through small interfaces and thin
#   functions, and link-time optimisation inlines and devirtualises them, so
#   that the seams between the layers cost the program no code.
set(VELUNORA_SIZE_COMPILE_OPTIONS -fno-asynchronous-unwind-tables -fno-ident)
set(VELUNORA_SIZE_LINK_OPTIONS -s -Wl,--gc-sections -Wl,--no-insert-timestamp)

# setup.exe starts at its own entry point (setup/entry_point.cpp) instead of
# the C runtime's start-up code, which would bring its argument parsing,
# pseudo-relocation and TLS support, exit handling and their imports, none of
# which setup.exe uses. The link then refuses anything that would need that
# code at run time (data imported without declaration, pseudo-relocations).
function(velunora_own_entry_point target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/setup/entry_point.cpp)
  target_link_options(${target} PRIVATE -nostartfiles -Wl,--entry=SetupEntryPoint
    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
endfunction()
# ------------------------------------------------------------------------------

# A program we ship: no exceptions, no RTTI, Unicode GUI entry point.
function(velunora_windows_program target)
  velunora_warnings(${target})
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
    ${VELUNORA_SIZE_COMPILE_OPTIONS})
  target_link_options(${target} PRIVATE -municode -mwindows ${VELUNORA_SIZE_LINK_OPTIONS})

  # Hardening of what we ship, which runs elevated. binutils 2.40 already
  # does all of it but --tsaware by default; it is spelled out so that no
  # default of another toolchain can drop it, and pe-check --hardened reads
  # it back from every built program.
  #   --dynamicbase, --enable-reloc-section: a random load address, which
  #       needs the relocations kept in the file;
  #   --high-entropy-va: ... anywhere in the 64-bit address space;
  #   --nxcompat: data is never executable;
  #   --tsaware: no terminal-server compatibility shims.
  target_link_options(${target} PRIVATE
    -Wl,--dynamicbase -Wl,--enable-reloc-section -Wl,--high-entropy-va -Wl,--nxcompat -Wl,--tsaware)
endfunction()

# Code that goes into a shipped program, compiled as a library so that the
# tests link the same objects.
function(velunora_program_library target)
  velunora_warnings(${target})
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
    ${VELUNORA_SIZE_COMPILE_OPTIONS})
endfunction()

# The flags of code that goes into the shipped programs in the windows tree,
# and the warnings alone in the native trees.
function(velunora_layer_flags target)
  if(WIN32)
    velunora_program_library(${target})
  else()
    velunora_warnings(${target})
  endif()
endfunction()

# A layer of the program: the library of the folder it is called from, whose
# only include path is that folder. A layer includes the headers of the
# layers it links by their bare names; a quoted include with a path could
# reach past the layers, so configuring stops at one.
function(velunora_layer target)
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  velunora_layer_flags(${target})
  file(GLOB files ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*/")
    if(includes)
      message(FATAL_ERROR "${file}: a layer includes headers by their names alone: ${includes}")
    endif()
  endforeach()
endfunction()

function(velunora_host_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  velunora_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# The Windows tests run under Wine in a throw-away copy of the build tree's
# golden prefix, with a private Xvfb; ctest starts and stops that session
# through a fixture, so a plain `ctest` works.
macro(velunora_wine_session)
  set(VELUNORA_WINE_GOLDEN ${CMAKE_BINARY_DIR}/wine/golden)
  set(VELUNORA_WINE_STATE ${CMAKE_BINARY_DIR}/wine/session)
  set(VELUNORA_WINE_ENV ${CMAKE_SOURCE_DIR}/scripts/wine-env.sh)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  add_test(NAME wine_session_start
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine.sh session-start ${VELUNORA_WINE_GOLDEN} ${VELUNORA_WINE_STATE})
  add_test(NAME wine_session_stop
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine.sh session-stop ${VELUNORA_WINE_STATE})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
endmacro()

function(velunora_windows_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  velunora_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()
