cmake_minimum_required(VERSION 3.22)

# The install step puts the menu entry in $XDG_DATA_HOME/applications, where
# an empty or relative XDG_DATA_HOME means $HOME/.local/share. Checked on
# `make -n install`: make prints the commands of the default install and
# runs none of them.
set(prefix /home/tester/.local/opt/quorvel/tallowick)
foreach(case "|/home/tester/.local/share" "share|/home/tester/.local/share" "/data/tester|/data/tester")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 given)
    list(GET case 1 expected)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MAKELEVEL
                ${MAKE} -n -C ${SOURCE_DIR} install HOME=/home/tester PREFIX=${prefix} XDG_DATA_HOME=${given}
        OUTPUT_VARIABLE commands
        RESULT_VARIABLE failed
        TIMEOUT 10)
    set(copy "cp \"${prefix}/tallowick.desktop\" \"${expected}/applications/tallowick.desktop\"")
    string(FIND "${commands}" "${copy}" found)
    if(failed OR found EQUAL -1)
        message(FATAL_ERROR "XDG_DATA_HOME=\"${given}\": expected the command\n${copy}\nin\n${commands}")
    endif()
endforeach()
