# Build settings for every target of ours, applied once after all directories
# are read, so that no directory has to remember them and imported targets
# (Qt, nlohmann_json) are never touched: compiler warnings (errors with
# LUMAREL_WERROR) and, in a sanitizer build, AddressSanitizer and
# UndefinedBehaviorSanitizer. A target that must run inside programs built
# without sanitizers sets the property LUMAREL_NO_SANITIZE.

set(LUMAREL_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow)
set(LUMAREL_SANITIZE_COMPILE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
set(LUMAREL_SANITIZE_LINK_FLAGS -fsanitize=address,undefined)

function(lumarel_targets_below directory out)
    get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        lumarel_targets_below("${subdirectory}" below)
        list(APPEND targets ${below})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(lumarel_apply_build_settings)
    lumarel_targets_below("${PROJECT_SOURCE_DIR}" targets)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
            continue()
        endif()
        target_compile_options(${target} PRIVATE ${LUMAREL_WARNING_FLAGS})
        if(LUMAREL_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
        get_target_property(unsanitized ${target} LUMAREL_NO_SANITIZE)
        if(LUMAREL_SANITIZE AND NOT unsanitized)
            target_compile_options(${target} PRIVATE ${LUMAREL_SANITIZE_COMPILE_FLAGS})
            target_link_options(${target} PRIVATE ${LUMAREL_SANITIZE_LINK_FLAGS})
        endif()
    endforeach()
endfunction()
