# Writes the uninstaller's part of the installer script: one Delete for every file of the
# install tree STAGE and one RMDir for every folder in it, deepest first, so that the
# uninstaller removes exactly what this version installed and nothing a user put there.
#   cmake -DSTAGE=DIR -DOUTPUT=FILE.nsh -P UninstallList.cmake
if(NOT IS_DIRECTORY "${STAGE}")
    message(FATAL_ERROR "no install tree at ${STAGE}")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
file(GLOB_RECURSE dirs LIST_DIRECTORIES true RELATIVE "${STAGE}" "${STAGE}/*")
list(REMOVE_ITEM dirs ${files})
list(SORT files)
list(SORT dirs ORDER DESCENDING)
set(text "; Made by UninstallList.cmake from the install tree.\n")
foreach(f IN LISTS files)
    string(REPLACE "/" "\\" f "${f}")
    string(APPEND text "Delete \"$INSTDIR\\${f}\"\n")
endforeach()
foreach(d IN LISTS dirs)
    string(REPLACE "/" "\\" d "${d}")
    string(APPEND text "RMDir \"$INSTDIR\\${d}\"\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
