# Compiler settings shared by every target of our own code.
add_library(xtalsp_build_flags INTERFACE)
# Floating-point contraction stays off: the fast spot walk reproduces the straightforward
# one to the last bits only when both round the same expressions the same way.
# The warning and sanitizer flags below are GCC and Clang spellings; other compilers build
# with their defaults.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(XTALSP_GCC_LIKE ON)
else()
    set(XTALSP_GCC_LIKE OFF)
endif()
if(XTALSP_GCC_LIKE)
    target_compile_options(xtalsp_build_flags INTERFACE -ffp-contract=off)
    target_compile_options(xtalsp_build_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                        -Wnon-virtual-dtor -Wold-style-cast)
    # GCC 12 at -O3 warns falsely about overlapping copies inside std::string whenever a literal
    # and a string are concatenated (GCC bug 105329, fixed in GCC 13); the warning stays on
    # for every other compiler.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(xtalsp_build_flags INTERFACE -Wno-restrict)
    endif()
elseif(MSVC)
    target_compile_options(xtalsp_build_flags INTERFACE /fp:precise /W3)
endif()
# Warnings stop the build only where asked (CI does): a user's newer compiler may warn about
# code that is fine, and that must not keep anyone from building.
if(XTALSP_WERROR)
    if(XTALSP_GCC_LIKE)
        target_compile_options(xtalsp_build_flags INTERFACE -Werror)
    elseif(MSVC)
        target_compile_options(xtalsp_build_flags INTERFACE /WX)
    endif()
endif()
if(XTALSP_SANITIZE AND NOT XTALSP_GCC_LIKE)
    message(FATAL_ERROR "XTALSP_SANITIZE needs GCC or Clang")
endif()
if(XTALSP_SANITIZE)
    set(_xtalsp_san -fsanitize=address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
    target_compile_options(xtalsp_build_flags INTERFACE ${_xtalsp_san})
    target_link_options(xtalsp_build_flags INTERFACE ${_xtalsp_san})
endif()

# Adds a static library made of every source file in the given folders below src/.
function(xtalsp_glob_sources out)
    set(files)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp"
                                          "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
        list(APPEND files ${found})
    endforeach()
    set(${out} ${files} PARENT_SCOPE)
endfunction()
