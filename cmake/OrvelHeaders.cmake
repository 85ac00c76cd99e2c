# Each target exposes only the headers it lists, under the spelling used everywhere in the code
# ("monitor/LiveMonitor.h"): its include folder in the build tree holds links to those headers
# alone. A target that includes another library's header without linking that library does not
# compile, so the layering is checked by the build, not only by convention.
set(ORVEL_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. CACHE INTERNAL "")

function(orvel_expose_headers target)
    get_target_property(type ${target} TYPE)
    get_target_property(sources ${target} SOURCES)
    get_target_property(folder ${target} SOURCE_DIR)
    get_filename_component(folder ${folder} REALPATH)
    get_filename_component(root ${ORVEL_SOURCE_ROOT} REALPATH)
    file(RELATIVE_PATH prefix ${root} ${folder})
    set(include_root ${CMAKE_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${include_root})
    foreach(source IN LISTS sources)
        if(source MATCHES "\\.h$")
            get_filename_component(parent ${include_root}/${prefix}/${source} DIRECTORY)
            file(MAKE_DIRECTORY ${parent})
            file(CREATE_LINK ${folder}/${source} ${include_root}/${prefix}/${source}
                SYMBOLIC COPY_ON_ERROR)
        endif()
    endforeach()
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${include_root})
    else()
        target_include_directories(${target} PUBLIC ${include_root})
    endif()
endfunction()
