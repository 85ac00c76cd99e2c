# Reads every include of the project's own headers under ROOT, #include "..." and #include <...>
# alike, and fails when one points up or sideways, or climbs with "..":
#
#   app              -> everything
#   logger           -> station and everything under it but app, setup and platform/display,
#                       platform/notify (no display)
#   station          -> monitor, watch, publish, recording, platform/runtime, platform/serial
#   setup            -> device, platform/runtime, platform/serial
#   monitor          -> recording (its interface), device, platform/runtime, platform/serial,
#                       platform/display (its interface)
#   watch            -> recording, chartdata, platform/runtime
#   publish          -> recording, platform/runtime
#   recording        -> chartdata, platform/runtime
#   device           -> platform/runtime, platform/serial
#   platform/display -> chartdata, platform/runtime
#   chartdata, platform/runtime, platform/serial, platform/notify, sim -> only themselves
#   tests, fuzz, bench -> anything (but no "..")
#
# The build holds the same lines finer: a target sees only the headers of what it links.
#
#     cmake -DROOT=<folder> -P CheckIncludes.cmake
#
# An include is named from the repository root ("monitor/LiveMonitor.h") or, inside a folder,
# by the bare name of a file next to it.
cmake_minimum_required(VERSION 3.21)

if(NOT ROOT)
    message(FATAL_ERROR "Pass -DROOT=<source folder>")
endif()

set(layers app logger station setup monitor watch publish recording device chartdata platform/runtime
    platform/serial platform/display platform/notify sim)
set(allowed_app ${layers})
list(REMOVE_ITEM allowed_app sim)
set(allowed_logger logger station monitor watch publish recording device chartdata
    platform/runtime platform/serial)
set(allowed_station station monitor watch publish recording platform/runtime platform/serial)
set(allowed_setup setup device platform/runtime platform/serial)
set(allowed_monitor monitor recording device platform/runtime platform/serial platform/display)
set(allowed_watch watch recording chartdata platform/runtime)
set(allowed_publish publish recording platform/runtime)
set(allowed_recording recording chartdata platform/runtime)
set(allowed_device device platform/runtime platform/serial)
set(allowed_platform/display platform/display chartdata platform/runtime)
set(allowed_chartdata chartdata)
set(allowed_platform/runtime platform/runtime)
set(allowed_platform/serial platform/serial)
set(allowed_platform/notify platform/notify)
set(allowed_sim sim)

# The layer a path relative to the root belongs to, or "" when it is none of them.
function(layer_of path out)
    set(found "")
    foreach(layer IN LISTS layers)
        if(path MATCHES "^${layer}/")
            set(found ${layer})
            break()
        endif()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)
set(checked 0)
set(crossings 0)
foreach(file IN LISTS files)
    # Build trees, and this check's own fixture when the real tree is checked.
    if(file MATCHES "^build" OR file MATCHES "^tests/layers/fixture/")
        continue()
    endif()
    layer_of(${file} from)
    get_filename_component(folder ${file} DIRECTORY)
    file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
            set(included "${CMAKE_MATCH_1}")
            set(shown "\"${included}\"")
        elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>")
            set(included "${CMAKE_MATCH_1}")
            set(shown "<${included}>")
            # Only the project's own headers; a system or Qt header is none of its business.
            layer_of(${included} to)
            if(to STREQUAL "" AND NOT included MATCHES "(^|/)\\.\\.(/|$)"
               AND NOT EXISTS ${ROOT}/${included})
                continue()
            endif()
        else()
            continue()
        endif()
        if(included MATCHES "\\.moc$" OR included MATCHES "^moc_")
            continue()
        endif()
        math(EXPR checked "${checked} + 1")
        # A path that climbs escapes the layers whatever folder it names.
        if(included MATCHES "(^|/)\\.\\.(/|$)")
            message("${file}: includes ${shown} (climbs with \"..\")")
            math(EXPR crossings "${crossings} + 1")
            continue()
        endif()
        if(from STREQUAL "")
            continue() # tests, fuzz, bench
        endif()
        layer_of(${included} to)
        if(to STREQUAL "" AND EXISTS ${ROOT}/${folder}/${included})
            set(to ${from}) # a file next to it
        endif()
        if(NOT to IN_LIST allowed_${from})
            if(to STREQUAL "")
                set(to "outside the layers")
            endif()
            message("${file}: includes ${shown} (${from} -> ${to})")
            math(EXPR crossings "${crossings} + 1")
        endif()
    endforeach()
endforeach()

if(crossings GREATER 0)
    message(FATAL_ERROR "${crossings} of ${checked} includes cross the layers")
endif()
message("${checked} includes checked, none crosses the layers")
