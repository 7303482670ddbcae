# Read by cpack as it makes a package (CPACK_PROJECT_CONFIG_FILE): the time stamps in the
# package are the last commit's, so that packing one commit twice gives the same bytes. A
# SOURCE_DATE_EPOCH in the environment is kept; outside a git checkout there is none.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_POS_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_status ERROR_QUIET)
    if(git_status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
        set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    endif()
endif()
