# Settings every project target shares.
add_library(hullscope_options INTERFACE)
add_library(hullscope::options ALIAS hullscope_options)
target_compile_features(hullscope_options INTERFACE cxx_std_17)
target_compile_definitions(hullscope_options INTERFACE
    QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_FOREACH
    QT_DISABLE_DEPRECATED_BEFORE=0x050F00)
target_compile_options(hullscope_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(HULLSCOPE_WITH_FUZZ)
    # Coverage for libFuzzer in every library, not only in the fuzz targets.
    target_compile_options(hullscope_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(HULLSCOPE_WITH_SANITIZERS)
    target_compile_options(hullscope_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(hullscope_options INTERFACE -fsanitize=address,undefined)
endif()

# hullscope_add_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# makes the static library hullscope_<name> with the alias hullscope::<name>.
function(hullscope_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(hullscope_${name} STATIC ${ARG_SOURCES})
    add_library(hullscope::${name} ALIAS hullscope_${name})
    set_target_properties(hullscope_${name} PROPERTIES
        CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF
        POSITION_INDEPENDENT_CODE ON)
    target_include_directories(hullscope_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(hullscope_${name}
        PUBLIC hullscope::options ${ARG_PUBLIC_LIBS}
        PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()
