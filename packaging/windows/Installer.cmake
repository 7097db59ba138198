# Makes the installer of the install tree STAGE: the uninstaller's file list, then makensis.
#   cmake -DSTAGE=DIR -DVERSION=1.0.1.1 -DICON=FILE.ico -DOUTFILE=FILE.exe -P Installer.cmake
# The windows_setup target runs it; scripts/windows.sh also makes an "older version" with
# it to check that an update leaves nothing of the older one behind.
foreach(var STAGE VERSION ICON OUTFILE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "Installer.cmake needs -D${var}=...")
    endif()
endforeach()
if(NOT IS_DIRECTORY "${STAGE}")
    message(FATAL_ERROR "no install tree at ${STAGE}")
endif()
find_program(MAKENSIS makensis REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Identity.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/LocalPorts.cmake)

# One Delete for every file of the tree and one RMDir for every folder in it, deepest
# first: the uninstaller removes exactly what this version installed and nothing a user
# put there.
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
file(GLOB_RECURSE dirs LIST_DIRECTORIES true RELATIVE "${STAGE}" "${STAGE}/*")
list(REMOVE_ITEM dirs ${files})
list(SORT files)
list(SORT dirs ORDER DESCENDING)
set(file_lines "; Made by Installer.cmake from the install tree.\n")
foreach(f IN LISTS files)
    string(REPLACE "/" "\\" f "${f}")
    string(APPEND file_lines "Delete \"$INSTDIR\\${f}\"\n")
endforeach()
set(dir_lines "; Made by Installer.cmake from the install tree.\n")
foreach(d IN LISTS dirs)
    string(REPLACE "/" "\\" d "${d}")
    string(APPEND dir_lines "RMDir \"$INSTDIR\\${d}\"\n")
endforeach()
set(files_nsh "${OUTFILE}.files.nsh")
set(dirs_nsh "${OUTFILE}.dirs.nsh")
file(WRITE "${files_nsh}" "${file_lines}")
file(WRITE "${dirs_nsh}" "${dir_lines}")

execute_process(COMMAND ${MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DVERSION=${VERSION}
        -DSTAGE=${STAGE} -DUNINSTALL_FILES=${files_nsh} -DUNINSTALL_DIRS=${dirs_nsh}
        -DICON=${ICON} -DOUTFILE=${OUTFILE} "-DPRODUCT=${QUORREL_NAME}"
        -DWINDOWS_ID=${QUORREL_WINDOWS_ID} -DEXE=${QUORREL_EXECUTABLE}.exe
        -DPUBLISHER=${QUORREL_VENDOR} -DLOCAL_PORTS=${QUORREL_PORT_RANGE}
        ${CMAKE_CURRENT_LIST_DIR}/installer.nsi
    COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${files_nsh}" "${dirs_nsh}")
