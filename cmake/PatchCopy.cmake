# Writes a copy of a third-party file with exact text changes, for the build
# steps that patch copies under build/ (the sources are used in place and
# never edited). Every change must match exactly once, or the build stops: a
# different version of the source needs its changes looked at again.
# Texts may hold semicolons, so each change is one call with named arguments
# (never split as a list): patch_begin, patch_replace..., then patch_write.
#   include(PatchCopy.cmake) from a script run with cmake -P

# source: the file to copy; hint: what to do when it is missing.
function(patch_begin source hint)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "${source} not found: ${hint}")
    endif()
    file(READ ${source} text)
    set(patch_source ${source} PARENT_SCOPE)
    set(patch_text "${text}" PARENT_SCOPE)
endfunction()

function(patch_replace old new)
    string(FIND "${patch_text}" "${old}" first)
    string(FIND "${patch_text}" "${old}" last REVERSE)
    if(first EQUAL -1)
        message(FATAL_ERROR "${patch_source} does not contain the text the build changes:\n${old}")
    endif()
    if(NOT first EQUAL last)
        message(FATAL_ERROR "${patch_source} contains the text the build changes more than once:\n${old}")
    endif()
    string(REPLACE "${old}" "${new}" text "${patch_text}")
    set(patch_text "${text}" PARENT_SCOPE)
endfunction()

# With IF_DIFFERENT an unchanged copy keeps its time stamp, for copies written
# at configure time that everything includes. A copy that is the output of a
# build rule is always written, or the rule would stay older than its inputs.
function(patch_write destination)
    get_filename_component(folder ${destination} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    if(ARGV1 STREQUAL "IF_DIFFERENT")
        file(WRITE ${destination}.new "${patch_text}")
        file(COPY_FILE ${destination}.new ${destination} ONLY_IF_DIFFERENT)
        file(REMOVE ${destination}.new)
    else()
        file(WRITE ${destination} "${patch_text}")
    endif()
endfunction()
