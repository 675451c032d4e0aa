# Build helpers shared by every module.

# The test bed: every binary of the build, deliverables and test-only programs alike.
set(TOL_BIN_DIR ${CMAKE_BINARY_DIR}/testbed)
# The product: the deliverables alone, so that an installer may take the whole folder.
set(TOL_PRODUCT_DIR ${CMAKE_BINARY_DIR}/bin)
set(TOL_WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Folder of the standard .idl files widl imports")
# stdole2.tlb for importlib (Wine's, as shipped by Debian's wine packages).
set(TOL_STDOLE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "Folder holding stdole2.tlb")
if(NOT EXISTS ${TOL_STDOLE_DIR}/stdole2.tlb)
    set(TOL_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "" FORCE)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TOL_WIDL_ARCH --win64)
else()
    set(TOL_WIDL_ARCH --win32)
endif()

# tol_deliverable(<target>...): a binary that ships with the product; it is copied into bin/.
function(tol_deliverable)
    foreach(target IN LISTS ARGN)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${TOL_PRODUCT_DIR}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${TOL_PRODUCT_DIR}
            VERBATIM)
    endforeach()
endfunction()

# tol_gtest(<name> SOURCES ... [LIBS ...] [TIMEOUT s])
# A GoogleTest program run under Wine as one CTest test.
function(tol_gtest name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE gtest gtest_main ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${TOL_BIN_DIR})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS unit)
endfunction()

# tol_pytest(<name> <file> [TIMEOUT s] [DEPENDS targets...])
# A pytest module of system tests, run by Debian's python3 as one CTest test.
function(tol_pytest name file)
    cmake_parse_arguments(T "" "TIMEOUT" "DEPENDS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name}
             COMMAND /usr/bin/python3 -m pytest -q -p no:cacheprovider ${file}
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS system
        SKIP_RETURN_CODE 5
        RESOURCE_LOCK tolvane_registry
        ENVIRONMENT "TOL_BIN_DIR=${TOL_BIN_DIR};TOL_SOURCE_DIR=${CMAKE_SOURCE_DIR};TOL_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# tol_typelib(<target> <idl>): compile an IDL file with widl into a header, an IID file and a
# type library; the target carries the generated folder as include path and the .tlb path in
# the variable <target>_TLB.
function(tol_typelib target idl)
    get_filename_component(base ${idl} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/generated)
    file(MAKE_DIRECTORY ${out})
    set(abs_idl ${CMAKE_CURRENT_SOURCE_DIR}/${idl})
    add_custom_command(
        OUTPUT ${out}/${base}.h ${out}/${base}_i.c ${out}/${base}.tlb
        COMMAND ${TOL_WIDL} ${TOL_WIDL_ARCH} -I${TOL_WINE_IDL_DIR} -I${CMAKE_SOURCE_DIR} -L${TOL_STDOLE_DIR}
                -h -H ${out}/${base}.h -u -U ${out}/${base}_i.c -t -T ${out}/${base}.tlb ${abs_idl}
        COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/comsupport/fix_typelib.py ${abs_idl} ${out}/${base}.tlb
        DEPENDS ${abs_idl} ${CMAKE_SOURCE_DIR}/comsupport/fix_typelib.py
        COMMENT "widl ${idl}")
    add_custom_target(${target}_idl DEPENDS ${out}/${base}.h ${out}/${base}_i.c ${out}/${base}.tlb)
    add_library(${target} STATIC ${out}/${base}_i.c)
    add_dependencies(${target} ${target}_idl)
    target_include_directories(${target} PUBLIC ${out})
    set_target_properties(${target} PROPERTIES TOL_TLB_DIR ${out} TOL_TLB_NAME ${base}.tlb)
    set(${target}_TLB ${out}/${base}.tlb PARENT_SCOPE)
endfunction()

# tol_message_table(<target> <file.mc>): a message table compiled with windmc into
# <binary dir>/messages/<file> (<file>.rc, <file>.h and the table itself, named after its
# language only, so each file has a folder of its own); the custom target makes them and
# <target>_DIR names the folder, for the resource compiler's include path.
function(tol_message_table target mc)
    get_filename_component(base ${mc} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/messages/${base})
    file(MAKE_DIRECTORY ${out})
    add_custom_command(
        OUTPUT ${out}/${base}.rc ${out}/${base}.h
        COMMAND ${TOL_WINDMC} -h ${out} -r ${out} ${CMAKE_CURRENT_SOURCE_DIR}/${mc}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${mc}
        COMMENT "windmc ${mc}")
    add_custom_target(${target} DEPENDS ${out}/${base}.rc)
    set(${target}_DIR ${out} PARENT_SCOPE)
endfunction()
