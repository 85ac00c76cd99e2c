# Reads every #include "..." under ROOT and fails when one points up or sideways:
#
#   app       -> setup, monitor, watch, recording, device, platform/*
#   watch     -> recording, platform/runtime
#   setup     -> device, platform/*
#   monitor   -> recording, device, platform/*
#   recording -> platform/*
#   device    -> platform/*
#   platform/<x> and sim -> only themselves
#   tests, fuzz, bench   -> anything
#
#     cmake -DROOT=<folder> -P CheckIncludes.cmake
#
# An include is named from the repository root ("monitor/LiveMonitor.h") or, inside a folder,
# by the bare name of a file next to it.
cmake_minimum_required(VERSION 3.21)

if(NOT ROOT)
    message(FATAL_ERROR "Pass -DROOT=<source folder>")
endif()

set(allowed_app app setup monitor watch recording device platform/runtime platform/serial
    platform/display platform/notify)
set(allowed_watch watch recording platform/runtime)
set(allowed_setup setup device platform/runtime platform/serial platform/display)
set(allowed_monitor monitor recording device platform/runtime platform/serial platform/display)
set(allowed_recording recording platform/runtime platform/serial platform/display)
set(allowed_device device platform/runtime platform/serial platform/display)
set(allowed_platform/runtime platform/runtime)
set(allowed_platform/serial platform/serial)
set(allowed_platform/display platform/display)
set(allowed_platform/notify platform/notify)
set(allowed_sim sim)
set(layers app setup monitor watch recording device platform/runtime platform/serial
    platform/display platform/notify sim)

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
    if(file MATCHES "^build")
        continue()
    endif()
    layer_of(${file} from)
    if(from STREQUAL "")
        continue() # tests, fuzz, bench
    endif()
    get_filename_component(folder ${file} DIRECTORY)
    file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
        math(EXPR checked "${checked} + 1")
        if(included MATCHES "\\.moc$")
            continue()
        endif()
        layer_of(${included} to)
        if(to STREQUAL "" AND EXISTS ${ROOT}/${folder}/${included})
            set(to ${from}) # a file next to it
        endif()
        if(NOT to IN_LIST allowed_${from})
            if(to STREQUAL "")
                set(to "outside the layers")
            endif()
            message("${file}: includes \"${included}\" (${from} -> ${to})")
            math(EXPR crossings "${crossings} + 1")
        endif()
    endforeach()
endforeach()

if(crossings GREATER 0)
    message(FATAL_ERROR "${crossings} of ${checked} includes cross the layers")
endif()
message("${checked} includes checked, none crosses the layers")
