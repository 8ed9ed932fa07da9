# The folders stand on floors: base/ at the bottom, translation/ and storage/ on it, widgets/ above
# them, the subsystems with windows next, app/ and cli/ at the top. An include goes down or
# sideways, never up; this check fails on the first one that climbs.
#   cmake -DSOURCE_DIR=<repo> -P check_floors.cmake
set(floor_base 0)
set(floor_translation 1)
set(floor_storage 1)
set(floor_widgets 2)
set(floor_recording 3)
set(floor_evaluation 3)
set(floor_users 3)
set(floor_app 4)
set(floor_cli 4)

set(violations "")
foreach(folder base translation storage widgets)
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        file(STRINGS "${source}" includes REGEX "^#include \"[a-z]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target "${line}")
            if(DEFINED floor_${target} AND floor_${target} GREATER floor_${folder})
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
                string(APPEND violations "  ${shown}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes that climb a floor:\n${violations}")
endif()
