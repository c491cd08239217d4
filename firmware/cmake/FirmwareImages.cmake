# Embedding of the firmware images. Included from a CMakeLists, it provides
# zrt_embed_firmware_images(), which checks the image folder while configuring and adds the build
# step that turns the images into a C++ source in the build tree. Run as a script
# (cmake -DZRT_FIRMWARE_DIR=... -DOUTPUT=... -P FirmwareImages.cmake) it is that build step: it checks
# the images again and writes the source.
#
# The lengths below are those of the image catalogue (firmware/embedded_images.hpp); the generated
# source declares each array with the length written here, so a disagreement does not compile.

set(ZRT_FIRMWARE_MODELS 141 151 1175)
set(ZRT_FIRMWARE_LENGTH_141 11456)   # 18 blocks
set(ZRT_FIRMWARE_LENGTH_151 11976)   # 19 blocks
set(ZRT_FIRMWARE_LENGTH_1175 12496)  # 20 blocks

# Fails with a clear message unless `dir` holds model-<model>.bin of the catalogue's length for
# every model.
function(zrt_check_firmware_images dir)
    foreach(model IN LISTS ZRT_FIRMWARE_MODELS)
        set(file "${dir}/model-${model}.bin")
        set(expected ${ZRT_FIRMWARE_LENGTH_${model}})
        if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
            message(FATAL_ERROR
                "Firmware image missing: ${file}\n"
                "ZRT_FIRMWARE_DIR (${dir}) must hold model-141.bin, model-151.bin and "
                "model-1175.bin.")
        endif()
        file(SIZE "${file}" size)
        if(NOT size EQUAL expected)
            message(FATAL_ERROR
                "Firmware image has the wrong size: ${file} is ${size} bytes, "
                "the image for model ${model} must be exactly ${expected} bytes.")
        endif()
    endforeach()
endfunction()

# Checks the images in `dir` now and adds the build step that generates their C++ arrays; sets
# `out_var` to the generated source. The step runs again whenever an image file changes.
function(zrt_embed_firmware_images dir out_var)
    get_filename_component(dir "${dir}" ABSOLUTE)
    zrt_check_firmware_images("${dir}")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded_images.cpp")
    set(files "")
    foreach(model IN LISTS ZRT_FIRMWARE_MODELS)
        list(APPEND files "${dir}/model-${model}.bin")
    endforeach()
    # A file removed after configuring re-runs the check above instead of a bare "missing" error.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" "-DZRT_FIRMWARE_DIR=${dir}" "-DOUTPUT=${output}"
                -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
        DEPENDS ${files} "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
        COMMENT "Embedding firmware images from ${dir}"
        VERBATIM)
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# Script mode: the build step itself.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    if(NOT DEFINED ZRT_FIRMWARE_DIR OR NOT DEFINED OUTPUT)
        message(FATAL_ERROR "Usage: cmake -DZRT_FIRMWARE_DIR=<dir> -DOUTPUT=<file.cpp> -P ${CMAKE_CURRENT_LIST_FILE}")
    endif()
    zrt_check_firmware_images("${ZRT_FIRMWARE_DIR}")
    string(CONCAT source
        "// Generated at build time from the firmware images in ${ZRT_FIRMWARE_DIR}; do not edit.\n"
        "#include \"firmware/embedded_images.hpp\"\n\n"
        "namespace zrt::firmware::embedded {\n")
    foreach(model IN LISTS ZRT_FIRMWARE_MODELS)
        file(READ "${ZRT_FIRMWARE_DIR}/model-${model}.bin" hex HEX)
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
        string(REPEAT "0x..," 16 line)
        string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
        string(APPEND source
            "\nconst std::array<std::uint8_t, ${ZRT_FIRMWARE_LENGTH_${model}}> MODEL_${model} = {\n"
            "    ${bytes}};\n")
    endforeach()
    string(APPEND source "\n}  // namespace zrt::firmware::embedded\n")
    file(WRITE "${OUTPUT}" "${source}")
endif()
