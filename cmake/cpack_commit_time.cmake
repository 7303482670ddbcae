# Read by cpack as it makes a package (CPACK_PROJECT_CONFIG_FILE): the time stamps in the
# package are fixed, so that packing one source twice gives the same bytes. A SOURCE_DATE_EPOCH
# in the environment is kept; otherwise the last commit's time, or, where there is no git or no
# history (a source tarball, a machine without git), the time of the newest entry of
# data/debian/changelog, as Debian's own packaging takes it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_POS_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_status ERROR_QUIET)
    if(git_status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
        set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    else()
        # The trailer line of the newest entry: " -- Name <address>  Mon, 07 Dec 2026 12:00:00 +0000".
        file(STRINGS "${CPACK_POS_SOURCE_DIR}/data/debian/changelog" trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
        string(REGEX MATCH "([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([-+])([0-9][0-9])([0-9][0-9])$"
               stamp "${trailer}")
        if(NOT stamp)
            message(FATAL_ERROR "no git history and no dated entry in data/debian/changelog: set SOURCE_DATE_EPOCH")
        endif()
        set(day ${CMAKE_MATCH_1})
        set(year ${CMAKE_MATCH_3})
        set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
        list(FIND months "${CMAKE_MATCH_2}" month)
        math(EXPR month "${month} + 1")
        # Days since 1970-01-01 of the civil date (Howard Hinnant's days_from_civil).
        if(month LESS_EQUAL 2)
            math(EXPR y "${year} - 1")
            math(EXPR m "${month} + 9")
        else()
            set(y ${year})
            math(EXPR m "${month} - 3")
        endif()
        math(EXPR era "${y} / 400")
        math(EXPR yoe "${y} - ${era} * 400")
        math(EXPR doy "(153 * ${m} + 2) / 5 + ${day} - 1")
        math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
        math(EXPR days "${era} * 146097 + ${doe} - 719468")
        math(EXPR offset "${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60")
        if(CMAKE_MATCH_7 STREQUAL "-")
            math(EXPR offset "0 - ${offset}")
        endif()
        math(EXPR epoch "${days} * 86400 + ${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6} - ${offset}")
        set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    endif()
endif()
